// crackle~: a noisy second-order recursion y = |(p + 1) y1 - y2 - 0.05|,
// stepped every sample; the chaos parameter p (0 ... 1) is the signal input.
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_crackle {
    t_object x_obj;
    t_float p;  // main-inlet scalar
    double y0, y1;
};

t_class *crackle_class;

// The offset is a single-precision constant widened, like the other numbers
// of the maps.
constexpr double offset = 0.05f;

t_crackle *crackle_new(t_symbol *, int argc, t_atom *argv) {
    double p = 0.5f;
    vesh::read_leading_floats<double>(argc, argv, {&p});
    auto *o = vesh::new_object<t_crackle>(crackle_class);
    o->p = static_cast<t_float>(p);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void crackle_clear(t_crackle *o) {
    o->y0 = o->y1 = 0;
}

void crackle_block(t_crackle *o, int n, const t_sample *in, t_sample *out) {
    double y0 = o->y0, y1 = o->y1;
    for (int i = 0; i < n; i++) {
        t_sample p = in[i];
        if (p > 1) p = 1;
        if (p < 0) p = 0;
        const float raw = static_cast<float>((p + 1.0) * y0 - y1 - offset);
        float y = std::fabs(raw);
        // Overflow or a NaN input would stick in the recursion: start over.
        if (!std::isfinite(y)) y = 0, y0 = 0;
        y1 = y0;
        y0 = y;
        out[i] = y;
    }
    o->y0 = y0, o->y1 = y1;
}

}  // namespace

VESH_SETUP {
    crackle_class = vesh::new_class<t_crackle>(VESH_CLASS_NAME, crackle_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(crackle_class, t_crackle, p);
    vesh::add_block_dsp<crackle_block>(crackle_class);
    vesh::add_method(crackle_class, "clear", crackle_clear);
}
