// median~: block-wise median filter; each segment of a block (size from the
// right inlet) becomes its median.
#include "median_kernel.hpp"
#include "vesh.hpp"

namespace {

struct t_median {
    t_object x_obj;
    t_float segment;  // passive right inlet
};

t_class *median_class;

// The segment size; values not above 1 give 1.
t_median *median_new(t_floatarg size) {
    auto *x = vesh::new_object<t_median>(median_class);
    x->segment = size > 1 ? size : 1;
    vesh::float_inlet(&x->x_obj, &x->segment);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void median_block(t_median *x, int n, const t_sample *in, t_sample *out) {
    vesh::median::filter(in, out, n, vesh::median::segment_size(x->segment, n));
}

}  // namespace

VESH_SETUP {
    median_class = vesh::new_class<t_median>(VESH_CLASS_NAME, median_new, nullptr);
    vesh::signal_only_left_inlet(median_class);
    vesh::add_block_dsp<median_block>(median_class);
}
