// cusp~: the cusp map x' = a - b * sqrt(|x|), iterated at a rate given in Hz;
// outputs x, held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_cusp {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double a, b;
    double x;
    double x0;      // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
};

t_class *cusp_class;

t_cusp *cusp_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, a = 1.0f, b = 1.9f, x = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &a, &b, &x});
    vesh::keep_finite(x, 0.0);

    auto *o = vesh::new_object<t_cusp>(cusp_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->a = a, o->b = b;
    o->x = o->x0 = x;
    o->held = static_cast<t_sample>(x);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void cusp_list(t_cusp *o, t_symbol *, int argc, t_atom *argv) {
    vesh::set_floats(o, argc, argv, {&o->a, &o->b, &o->x}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *cusp_perform(t_int *w) {
    auto *o = vesh::word<t_cusp *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double a = o->a, b = o->b;
    double x = o->x;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double nx = a - b * std::sqrt(std::fabs(x));
        x = std::isfinite(nx) ? nx : o->x0;  // start over rather than hold NaN forever
        held = static_cast<t_sample>(x);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x;
    o->held = held;
    return w + 5;
}

void cusp_dsp(t_cusp *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(cusp_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    cusp_class = vesh::new_class<t_cusp>(VESH_CLASS_NAME, cusp_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(cusp_class, t_cusp, frequency);
    vesh::add_dsp(cusp_class, cusp_dsp);
    vesh::add_list(cusp_class, cusp_list);
}
