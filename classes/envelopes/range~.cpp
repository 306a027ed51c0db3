// range~: the smallest and the largest input since the last reset.
#include <limits>

#include "vesh.hpp"

namespace {

constexpr float infinity = std::numeric_limits<float>::infinity();

struct t_range {
    t_object x_obj;
    t_float min;
    t_float max;
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

void range_block(t_range *x, int n, const t_sample *in, const t_sample *reset, t_sample *min_out,
                 t_sample *max_out) {
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
