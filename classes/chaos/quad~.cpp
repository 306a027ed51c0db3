// quad~: the quadratic map x' = a x^2 + b x + c, iterated at a rate given in
// Hz; outputs x, held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_quad {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double a, b, c;
    double x;
    double x0;      // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
};

t_class *quad_class;

t_quad *quad_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, a = 1.0f, b = -1.0f, c = -0.75f, x = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &a, &b, &c, &x});
    vesh::keep_finite(x, 0.0);

    auto *o = vesh::new_object<t_quad>(quad_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->a = a, o->b = b, o->c = c;
    o->x = o->x0 = x;
    o->held = static_cast<t_sample>(x);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void quad_list(t_quad *o, t_symbol *, int argc, t_atom *argv) {
    vesh::set_floats(o, argc, argv, {&o->a, &o->b, &o->c, &o->x}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *quad_perform(t_int *w) {
    auto *o = vesh::word<t_quad *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double a = o->a, b = o->b, c = o->c;
    double x = o->x;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double nx = x * (a * x + b) + c;
        // Most coefficient sets run off to infinity; start over once x leaves
        // what the output can carry, rather than emit infinities and then NaN.
        x = std::isfinite(static_cast<t_sample>(nx)) ? nx : o->x0;
        held = static_cast<t_sample>(x);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x;
    o->held = held;
    return w + 5;
}

void quad_dsp(t_quad *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(quad_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    quad_class = vesh::new_class<t_quad>(VESH_CLASS_NAME, quad_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(quad_class, t_quad, frequency);
    vesh::add_dsp(quad_class, quad_dsp);
    vesh::add_list(quad_class, quad_list);
}
