// range~: the smallest and the largest input since the last reset.
#include <limits>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

constexpr float infinity = std::numeric_limits<float>::infinity();

struct t_range {
    t_object x_obj;
    float min;
    float max;
    float history[2];  // unused: the running extremes need no sample before
};

t_class *range_class;

// An empty range: the next input becomes both ends.
void range_reset(t_range *x) {
    x->min = infinity;
    x->max = -infinity;
}

t_range *range_new() {
    auto *x = vesh::new_object<t_range>(range_class);
    vesh::signal_inlet(&x->x_obj, 0);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    range_reset(x);
    return x;
}

// The running minimum of four lanes from `carry` on; an equal later value
// takes the place of an earlier one, and NaN is left out.
lanes running_min(lanes v, lanes carry) {
    const lanes none = lanes{} + infinity;
    const auto take = [](lanes was, lanes v) { return was < v ? was : v; };
    v = v == v ? v : none;
    v = take(__builtin_shuffle(v, none, lane_mask{4, 0, 1, 2}), v);
    v = take(__builtin_shuffle(v, none, lane_mask{4, 5, 0, 1}), v);
    return take(carry, v);
}

// The running maximum; an equal later value leaves the earlier one.
lanes running_max(lanes v, lanes carry) {
    const lanes none = lanes{} - infinity;
    const auto take = [](lanes was, lanes v) { return v > was ? v : was; };
    v = v == v ? v : none;
    v = take(__builtin_shuffle(v, none, lane_mask{4, 0, 1, 2}), v);
    v = take(__builtin_shuffle(v, none, lane_mask{4, 5, 0, 1}), v);
    return take(carry, v);
}

void range_block(t_range *x, int n, const t_sample *in, const t_sample *reset, t_sample *min_out,
                 t_sample *max_out) {
    if (vesh::holds(reset, n, 0)) {
        lanes min = lanes{} + x->min, max = lanes{} + x->max;
        each_sample<2>(in, n, x->history, {min_out, max_out}, [&](lanes, lanes, lanes v) {
            const std::array<lanes, 2> y = {running_min(v, min), running_max(v, max)};
            min = last(y[0]);
            max = last(y[1]);
            return y;
        });
        x->min = min[0];
        x->max = max[0];
        return;
    }
    float min = x->min, max = x->max;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        if (reset[i] != 0) {
            // A NaN would stick (nothing compares with it): it empties the
            // range instead, for the next number to fill.
            const bool number = v == v;
            min = number ? v : infinity;
            max = number ? v : -infinity;
        } else {
            if (v <= min) min = v;
            if (v > max) max = v;
        }
        min_out[i] = min;
        max_out[i] = max;
    }
    x->min = min;
    x->max = max;
}

}  // namespace

VESH_SETUP {
    range_class = vesh::new_class(VESH_CLASS_NAME, range_new, nullptr);
    vesh::signal_only_left_inlet(range_class);
    vesh::add_block_dsp<range_block>(range_class);
    vesh::add_method(range_class, "reset", range_reset);
}
