// The trigger delays (trig.delay~, trig.delay2~): one record, creator and
// block loop. A class gives the step that decides each sample from the
// trigger, the delay in samples and the running count.
#pragma once

#include <cstdint>

#include "trigger.hpp"
#include "vesh.hpp"

namespace vesh::trigger_delay {

struct t_delay {
    t_object x_obj;
    t_float samples_per_ms;
    int64_t count;  // the class's count of the running delay
    int active;
};

inline t_class *delay_class;

inline t_delay *delay_new(t_floatarg ms) {
    auto *x = new_object<t_delay>(delay_class);
    signal_inlet(&x->x_obj, ms);
    outlet_new(&x->x_obj, &s_signal);
    x->samples_per_ms = samples_per_ms(sys_getsr());
    return x;
}

// A step: (trigger, delay, count, active) -> the output sample.
using step_fn = t_sample (*)(bool, int64_t, int64_t &, int &);

template <step_fn Step>
void delay_block(t_delay *x, int n, const t_sample *in, const t_sample *ms, t_sample *out) {
    using namespace vesh::trigger;
    const Lengths delay(ms, n, x->samples_per_ms);
    int64_t q = x->count;
    int active = x->active;
    int i = 0;
    while (i < n) {
        // While no delay runs, groups of four without a trigger give 0.
        if (!active) {
            for (; i + 4 <= n && !any(four(in + i) == lanes{1, 1, 1, 1}); i += 4) {
                put(out + i, lanes{});
            }
            if (i == n) break;
        }
        const int64_t d = delay[i];
        if (d < q) active = 0;  // the delay has run out, or shrank past the count
        out[i] = Step(unit(static_cast<float>(in[i])), d, q, active);
        i++;
    }
    x->count = q;
    x->active = active;
}

inline void delay_prepare(t_delay *x, t_signal **sp) {
    x->samples_per_ms = samples_per_ms(sp[0]->s_sr);
}

template <step_fn Step>
void setup() {
    delay_class = new_class(VESH_CLASS_NAME, delay_new, nullptr);
    signal_only_left_inlet(delay_class);
    add_block_dsp<delay_block<Step>, delay_prepare>(delay_class);
}

}  // namespace vesh::trigger_delay
