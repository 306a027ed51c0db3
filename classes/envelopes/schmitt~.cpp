// schmitt~: a comparator with hysteresis: the output turns 1 when the input
// reaches the high threshold and stays 1 until it falls to the low one.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_schmitt {
    t_object x_obj;
    float state;
    float history[2];  // unused: the rule needs no sample before
};

t_class *schmitt_class;

t_schmitt *schmitt_new(t_symbol *, int argc, t_atom *argv) {
    t_float low = 0, high = 0;
    if (!vesh::read_floats(argc, argv, {&low, &high})) {
        return vesh::improper_args<t_schmitt>("schmitt~: improper args");
    }
    auto *x = vesh::new_object<t_schmitt>(schmitt_class);
    vesh::signal_inlet(&x->x_obj, low);
    vesh::signal_inlet(&x->x_obj, high);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void schmitt_block(t_schmitt *x, int n, const t_sample *in, const t_sample *low,
                   const t_sample *high, t_sample *out) {
    if (vesh::holds(low, n) && vesh::holds(high, n)) {
        // At or below the low threshold the state is 0, at or above the high
        // one 1 (the low one winning), between them it holds.
        const lanes lo = lanes{} + static_cast<float>(low[0]);
        const lanes hi = lanes{} + static_cast<float>(high[0]);
        lanes state = lanes{} + x->state;
        each_sample<1>(in, n, x->history, {out}, [&](lanes, lanes, lanes v) {
            const lane_mask keep = v > lo;
            state = hold(~keep | (v >= hi), where(keep), state);
            const lanes y = state;
            state = last(state);
            return std::array<lanes, 1>{y};
        });
        x->state = state[0];
        return;
    }
    float state = x->state;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        state = v > low[i] && (v >= high[i] || state == 1) ? 1 : 0;
        out[i] = state;
    }
    x->state = state;
}

}  // namespace

VESH_SETUP {
    schmitt_class = vesh::new_class<t_schmitt>(VESH_CLASS_NAME, schmitt_new, nullptr);
    vesh::signal_only_left_inlet(schmitt_class);
    vesh::add_block_dsp<schmitt_block>(schmitt_class);
}
