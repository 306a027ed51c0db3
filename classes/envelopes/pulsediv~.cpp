// pulsediv~: passes one rise in every `div` (a rise: from 0 or below to above
// 0), as a 1. The start sets how many rises go by before the first passes.
#include <cmath>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_pulsediv {
    t_object x_obj;
    t_float divisor;
    t_float start;  // the count a reset goes back to
    t_float count;  // 0 at a rise that passes; below 0 while the start holds back
    t_float previous;
};

t_class *pulsediv_class;

void pulsediv_div(t_pulsediv *x, t_floatarg f) {
    x->divisor = f > 1 ? f : 1;
}

// Unlike the creation argument, the message's value is the count itself: the
// argument 1 and the message 0 both pass the first rise. A count that is not
// finite could never come back to a number, so it is ignored.
void pulsediv_start(t_pulsediv *x, t_floatarg f) {
    if (std::isfinite(f)) x->start = f;
}

t_pulsediv *pulsediv_new(t_floatarg div, t_floatarg start) {
    auto *x = vesh::new_object<t_pulsediv>(pulsediv_class);
    vesh::signal_inlet(&x->x_obj, 0);
    outlet_new(&x->x_obj, &s_signal);
    pulsediv_div(x, div);
    x->start = start - 1;
    x->count = x->start;
    x->previous = 1;  // a signal that starts above 0 is not a rise
    return x;
}

void pulsediv_block(t_pulsediv *x, int n, const t_sample *in, const t_sample *reset,
                    t_sample *out) {
    const float divisor = x->divisor, start = x->start;
    float count = x->count;
    float previous = x->previous;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        const bool rise = vesh::trigger::rise(previous, v);
        if (reset[i] > 0) count = start;
        if (rise) count += 1;
        if (count >= 0) {
            // fmod leaves a count below the divisor as it is, and one below
            // twice the divisor is the exact difference: call it only when
            // neither holds.
            if (count >= divisor) {
                count = count < 2 * divisor ? count - divisor : std::fmod(count, divisor);
            }
            out[i] = rise && count == 0 ? 1 : 0;
        } else {
            out[i] = 0;
        }
        previous = v;
    }
    x->count = count;
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    pulsediv_class = vesh::new_class(VESH_CLASS_NAME, pulsediv_new, nullptr);
    vesh::signal_only_left_inlet(pulsediv_class);
    vesh::add_block_dsp<pulsediv_block>(pulsediv_class);
    vesh::add_method(pulsediv_class, "div", pulsediv_div);
    vesh::add_method(pulsediv_class, "start", pulsediv_start);
}
