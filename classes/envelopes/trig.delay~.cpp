// trig.delay~: delays each unit trigger (a sample of exactly 1) by a time in
// milliseconds; a new trigger before the delayed one has come out replaces it.
#include <cstdint>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_trig_delay {
    t_object x_obj;
    t_float samples_per_ms;
    int64_t count;  // samples since the pending trigger
    int active;
};

t_class *trig_delay_class;

t_trig_delay *trig_delay_new(t_floatarg ms) {
    auto *x = vesh::new_object<t_trig_delay>(trig_delay_class);
    vesh::signal_inlet(&x->x_obj, ms);
    outlet_new(&x->x_obj, &s_signal);
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    return x;
}

void trig_delay_block(t_trig_delay *x, int n, const t_sample *in, const t_sample *ms,
                      t_sample *out) {
    using namespace vesh::trigger;
    const Lengths delay(ms, n, x->samples_per_ms);
    int64_t q = x->count;
    int active = x->active;
    int i = 0;
    while (i < n) {
        // While nothing is pending, groups of four without a trigger give 0.
        if (!active) {
            for (; i + 4 <= n && !any(four(in + i) == lanes{1, 1, 1, 1}); i += 4) {
                put(out + i, lanes{});
            }
            if (i == n) break;
        }
        const int64_t d = delay[i];
        const bool trigger = unit(static_cast<float>(in[i]));
        if (d < q) active = 0;  // the delayed trigger has come out, or the delay shrank past it
        if (trigger) {
            active = 1;
            q = 0;
            out[i] = d == 0 ? 1 : 0;
        } else if (active) {
            q++;
            out[i] = d == q ? 1 : 0;
        } else {
            out[i] = 0;
        }
        i++;
    }
    x->count = q;
    x->active = active;
}

void trig_delay_prepare(t_trig_delay *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    trig_delay_class = vesh::new_class(VESH_CLASS_NAME, trig_delay_new, nullptr);
    vesh::signal_only_left_inlet(trig_delay_class);
    vesh::add_block_dsp<trig_delay_block, trig_delay_prepare>(trig_delay_class);
}
