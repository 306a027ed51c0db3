// pulsediv~: passes one rise in every `div` (a rise: from 0 or below to above
// 0), as a 1. The start sets how many rises go by before the first passes.
#include <cmath>
#include <cstdint>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_pulsediv {
    t_object x_obj;
    t_float divisor;
    t_float start;     // the count a reset goes back to
    float count;       // 0 at a rise that passes; below 0 while the start holds back
    float history[2];  // the samples before the block
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
    x->history[1] = 1;  // a signal that starts above 0 is not a rise
    return x;
}

// One sample at a time: any reset, start and divisor.
void pulsediv_run(t_pulsediv *x, int n, const t_sample *in, const t_sample *reset, t_sample *out) {
    const float divisor = x->divisor, start = x->start;
    float count = x->count;
    float previous = x->history[1];
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        const bool rise = vesh::trigger::rise(previous, v);
        if (reset[i] > 0) count = start;
        if (rise) count += 1;
        if (count >= 0) {
            // fmod leaves a count below the divisor as it is, and one below
            // twice the divisor is the exact difference.
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
    x->history[0] = previous;  // only the last sample is kept
    x->history[1] = previous;
}

bool pulsediv_whole(float f) {
    return f > -4194304.0f && f < 4194304.0f && f == static_cast<float>(static_cast<int32_t>(f));
}

void pulsediv_block(t_pulsediv *x, int n, const t_sample *in, const t_sample *reset,
                    t_sample *out) {
    using namespace vesh::trigger;
    const float divisor = x->divisor;
    if (!vesh::holds(reset, n) || reset[0] > 0 || !pulsediv_whole(x->count) ||
        !pulsediv_whole(divisor)) {
        pulsediv_run(x, n, in, reset, out);
        return;
    }
    // Whole counts and divisor, no reset: four samples at a time. Rises are
    // never next to each other, so a group adds at most 2 to the count and
    // wraps it at most once while the count stays below twice the divisor;
    // a group where it would not is counted one sample at a time.
    const lanes d = lanes{} + divisor;
    lanes count = lanes{} + x->count;
    each_sample<1>(in, n, x->history, {out}, [&](lanes, lanes p, lanes v) {
        const lane_mask rises = (p <= lanes{}) & (v > lanes{});
        lanes k = running_sum(where(rises), 0) + count;
        lanes y;
        if (any(k >= d + d)) {
            float c = count[0];
            for (int l = 0; l < 4; l++) {
                if (rises[l]) c += 1;
                if (c >= 0 && c >= divisor) c = std::fmod(c, divisor);
                k[l] = c;
                y[l] = rises[l] && c == 0 ? 1 : 0;
            }
        } else {
            k = pick(k >= d, k - d, k);
            y = where(rises & (k == lanes{}));
        }
        count = last(k);
        return std::array<lanes, 1>{y};
    });
    x->count = count[0];
}

}  // namespace

VESH_SETUP {
    pulsediv_class = vesh::new_class(VESH_CLASS_NAME, pulsediv_new, nullptr);
    vesh::signal_only_left_inlet(pulsediv_class);
    vesh::add_block_dsp<pulsediv_block>(pulsediv_class);
    vesh::add_method(pulsediv_class, "div", pulsediv_div);
    vesh::add_method(pulsediv_class, "start", pulsediv_start);
}
