// power~: a signal raised to the power of another, keeping the sign of the
// base: -pow(-x, e) for a negative x, so odd roots of negative values work.
#include "conversion_kernel.hpp"
#include "vesh.hpp"

namespace {

struct t_power {
    t_object x_obj;
};

t_class *power_class;

// The first float of the arguments starts the exponent (1 without one).
t_power *power_new(t_symbol *, int argc, t_atom *argv) {
    t_float exponent = 1;
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type == A_FLOAT) {
            exponent = argv[i].a_w.w_float;
            break;
        }
    }
    auto *x = vesh::new_object<t_power>(power_class);
    vesh::signal_inlet(&x->x_obj, exponent);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void power_block(t_power *, int n, const t_sample *in, const t_sample *exponent, t_sample *out) {
    for (int i = 0; i < n; i++) {
        out[i] = vesh::conversion::signed_power(static_cast<float>(in[i]),
                                                static_cast<float>(exponent[i]));
    }
}

}  // namespace

VESH_SETUP {
    power_class = vesh::new_class(VESH_CLASS_NAME, power_new, nullptr);
    vesh::signal_only_left_inlet(power_class);
    vesh::add_block_dsp<power_block>(power_class);
}
