// drive~: saturation. Mode 0 drives the signal into a hyperbolic tangent;
// mode 1 clips it at +-1 and, from a drive of 1 on, bends it toward the rails
// along a power curve (below 1 the drive is a plain gain).
#include "mixing_kernel.hpp"
#include "vesh.hpp"

namespace {

struct t_drive {
    t_object x_obj;
    int mode;
};

t_class *drive_class;

// Floats set the drive amount (the last one counts); "-mode" takes the float
// after it, anywhere in the list.
t_drive *drive_new(t_symbol *, int argc, t_atom *argv) {
    t_float amount = 1;
    int mode = 0;
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type == A_FLOAT) {
            amount = argv[i].a_w.w_float;
        } else if (argv[i].a_type == A_SYMBOL && argv[i].a_w.w_symbol == gensym("-mode") &&
                   i + 1 < argc && argv[i + 1].a_type == A_FLOAT) {
            mode = argv[++i].a_w.w_float != 0;
        } else {
            return vesh::improper_args<t_drive>("drive~: improper args");
        }
    }
    auto *x = vesh::new_object<t_drive>(drive_class);
    x->mode = mode;
    vesh::signal_inlet(&x->x_obj, amount);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void drive_mode(t_drive *x, t_floatarg f) {
    x->mode = f != 0;
}

void drive_block(t_drive *x, int n, const t_sample *in, const t_sample *amount, t_sample *out) {
    if (x->mode) {
        for (int i = 0; i < n; i++) {
            out[i] = vesh::mixing::bend(static_cast<float>(in[i]), static_cast<float>(amount[i]));
        }
    } else {
        for (int i = 0; i < n; i++) {
            out[i] =
                vesh::mixing::saturate(static_cast<float>(in[i]), static_cast<float>(amount[i]));
        }
    }
}

}  // namespace

VESH_SETUP {
    drive_class = vesh::new_class(VESH_CLASS_NAME, drive_new, nullptr);
    vesh::signal_only_left_inlet(drive_class);
    vesh::add_block_dsp<drive_block>(drive_class);
    vesh::add_method_defaults(drive_class, "mode", drive_mode);
}
