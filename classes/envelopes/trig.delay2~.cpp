// trig.delay2~: delays a unit trigger (a sample of exactly 1) by a time in
// milliseconds; triggers arriving while a delay runs are ignored.
#include <cstdint>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_trig_delay2 {
    t_object x_obj;
    t_float samples_per_ms;
    int64_t count;  // samples since the running delay began, plus one
    int active;
};

t_class *trig_delay2_class;

t_trig_delay2 *trig_delay2_new(t_floatarg ms) {
    auto *x = vesh::new_object<t_trig_delay2>(trig_delay2_class);
    vesh::signal_inlet(&x->x_obj, ms);
    outlet_new(&x->x_obj, &s_signal);
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    return x;
}

void trig_delay2_block(t_trig_delay2 *x, int n, const t_sample *in, const t_sample *ms,
                       t_sample *out) {
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
        const bool trigger = unit(static_cast<float>(in[i]));
        if (d < q) active = 0;
        if (active) {
            out[i] = d == q ? 1 : 0;
            q++;
        } else if (trigger) {
            active = 1;
            out[i] = d == 0 ? 1 : 0;
            q = 1;
        } else {
            out[i] = 0;
        }
        i++;
    }
    x->count = q;
    x->active = active;
}

void trig_delay2_prepare(t_trig_delay2 *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    trig_delay2_class = vesh::new_class(VESH_CLASS_NAME, trig_delay2_new, nullptr);
    vesh::signal_only_left_inlet(trig_delay2_class);
    vesh::add_block_dsp<trig_delay2_block, trig_delay2_prepare>(trig_delay2_class);
}
