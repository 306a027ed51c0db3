// lincong~: a linear congruential map x' = (a x + c) mod m, iterated at a rate
// given in Hz; outputs x, held between iterations. With m = 1 the output lies
// in [0, 1); with any other modulus the remainder is scaled to [-1, 1) and the
// scaled value is what the next iteration starts from.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_lincong {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double a, c, m;
    double x;
    double x0;      // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
};

t_class *lincong_class;

// Remainder with the sign of the modulus, so that a negative a x + c still
// lands in the documented range; the plain truncating remainder would give
// (-m, m). The final check keeps a tiny negative remainder from rounding up
// to m itself.
double wrapped(double s, double m) {
    double r = std::fmod(s, m);
    if (m > 0 ? r < 0 : r > 0) {
        r += m;
        if (m > 0 ? r >= m : r <= m) r = 0;
    }
    return r;
}

t_lincong *lincong_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, a = 1.1f, c = 0.13f, m = 1.0f, x = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &a, &c, &m, &x});
    vesh::keep_finite(x, 0.0);

    auto *o = vesh::new_object<t_lincong>(lincong_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->a = a, o->c = c, o->m = m;
    o->x = o->x0 = x;
    o->held = static_cast<t_sample>(x);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void lincong_list(t_lincong *o, t_symbol *, int argc, t_atom *argv) {
    vesh::set_floats(o, argc, argv, {&o->a, &o->c, &o->m, &o->x}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *lincong_perform(t_int *w) {
    auto *o = vesh::word<t_lincong *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double a = o->a, c = o->c, m = o->m;
    double x = o->x;
    t_sample held = o->held;

    auto iterate = [&](int) {
        // A modulus of 0 has no remainder to take: the map stands still
        // instead of turning into NaN.
        if (m == 0) return;
        const double s = a * x + c;
        const double nx = m == 1 ? wrapped(s, 1.0) : wrapped(s, m) * (2.0 / m) - 1.0;
        x = std::isfinite(nx) ? nx : o->x0;  // start over rather than hold NaN forever
        held = static_cast<t_sample>(x);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x;
    o->held = held;
    return w + 5;
}

void lincong_dsp(t_lincong *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(lincong_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    lincong_class = vesh::new_class<t_lincong>(VESH_CLASS_NAME, lincong_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(lincong_class, t_lincong, frequency);
    vesh::add_dsp(lincong_class, lincong_dsp);
    vesh::add_list(lincong_class, lincong_list);
}
