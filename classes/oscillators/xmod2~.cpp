// xmod2~: two quadrature oscillators modulating each other's frequency, each
// a rotation of its state by an angle step, clipped to the unit square.
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_xmod2 {
    t_object x_obj;
    t_float frequency1;  // main-inlet scalar, Hz
    t_float x1, y1;      // oscillator 1: cosine and sine parts
    t_float x2, y2;      // oscillator 2
    t_float k;           // 2 pi / sr
};

t_class *xmod2_class;

t_float angle_step_factor(double sr) {
    return static_cast<t_float>(6.283185307179586 / sr);
}

// Up to four floats (frequency 1, index 1, frequency 2, index 2); more are
// ignored.
t_xmod2 *xmod2_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency1 = 0, index1 = 0, frequency2 = 0, index2 = 0;
    if (!vesh::read_floats(argc, argv, {&frequency1, &index1, &frequency2, &index2})) {
        return vesh::improper_args<t_xmod2>("[xmod2~]: improper args");
    }
    auto *x = vesh::new_object<t_xmod2>(xmod2_class);
    x->frequency1 = frequency1;
    x->x1 = 1;
    x->x2 = 1;
    x->k = angle_step_factor(sys_getsr());
    vesh::signal_inlet(&x->x_obj, index1);
    vesh::signal_inlet(&x->x_obj, frequency2);
    vesh::signal_inlet(&x->x_obj, index2);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// Into [-1, 1]; a NaN (from a NaN or infinite input) becomes -1, so that the
// state stays a number and the oscillator runs on once the input is back.
t_float clip(t_float v) {
    return v > -1 ? (v < 1 ? v : 1) : -1;
}

// The step of a frequency with no modulation, tan(k f) / k: the rotation
// that turns by exactly k f a sample once the clips hold the amplitude. The
// tangent is taken in double precision.
t_float free_step(t_float k, t_float frequency) {
    return static_cast<t_float>(std::tan(static_cast<double>(k * frequency))) / k;
}

// Single precision but for the tangents, each worked out once a block when
// its frequency holds.
void xmod2_block(t_xmod2 *x, int n, const t_sample *frequency1, const t_sample *index1,
                 const t_sample *frequency2, const t_sample *index2, t_sample *out1,
                 t_sample *out2) {
    const t_float k = x->k;
    t_float x1 = x->x1, y1 = x->y1, x2 = x->x2, y2 = x->y2;
    t_float f1 = frequency1[0], f2 = frequency2[0];
    t_float step1 = free_step(k, f1), step2 = free_step(k, f2);
    for (int i = 0; i < n; i++) {
        const t_float i1 = index1[i], i2 = index2[i];
        if (frequency1[i] != f1) step1 = free_step(k, f1 = frequency1[i]);
        if (frequency2[i] != f2) step2 = free_step(k, f2 = frequency2[i]);
        const t_float a1 = (step1 + i2 * x2) * k;
        const t_float new_x1 = clip(x1 - a1 * y1);
        y1 = clip(y1 + a1 * x1);
        x1 = new_x1;
        const t_float a2 = (step2 + i1 * x1) * k;
        const t_float new_x2 = clip(x2 - a2 * y2);
        y2 = clip(y2 + a2 * x2);
        x2 = new_x2;
        out1[i] = x1;
        out2[i] = x2;
    }
    x->x1 = x1;
    x->y1 = y1;
    x->x2 = x2;
    x->y2 = y2;
}

void xmod2_prepare(t_xmod2 *x, t_signal **sp) {
    x->k = angle_step_factor(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    xmod2_class = vesh::new_class<t_xmod2>(VESH_CLASS_NAME, xmod2_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(xmod2_class, t_xmod2, frequency1);
    vesh::add_block_dsp<xmod2_block, xmod2_prepare>(xmod2_class);
}
