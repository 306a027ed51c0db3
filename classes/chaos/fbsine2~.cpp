// fbsine2~: a feedback sine map, iterated at a rate given in Hz; outputs x,
// held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_fbsine2 {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double im, fb, a, c;
    double x, y;
    double x0, y0;  // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
    t_outlet *out;
};

t_class *fbsine2_class;

constexpr double two_pi = 6.283185307179586;

t_fbsine2 *fbsine2_new(t_symbol *, int argc, t_atom *argv) {
    if (!vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_fbsine2>(VESH_CLASS_NAME
                                              ": arguments needs to only contain floats");
    }
    const t_float sr = sys_getsr();
    t_float frequency = sr * 0.5f;
    double im = 1.0, fb = 0.1, a = 1.1, c = 0.5, x = 0.1, y = 0.1;
    double *fields[] = {&im, &fb, &a, &c, &x, &y};
    if (argc > 0) frequency = atom_getfloat(argv);
    for (int i = 1; i < argc && i <= 6; i++) *fields[i - 1] = atom_getfloat(argv + i);
    vesh::keep_finite(x, 0.1), vesh::keep_finite(y, 0.1);

    auto *o = vesh::new_object<t_fbsine2>(fbsine2_class);
    o->frequency = frequency;
    o->sr = sr;
    o->phase = vesh::clock_start_phase(frequency);
    o->im = im, o->fb = fb, o->a = a, o->c = c;
    o->x = o->x0 = x;
    o->y = o->y0 = y;
    o->held = static_cast<t_sample>(x);
    o->out = outlet_new(&o->x_obj, &s_signal);
    return o;
}

void fbsine2_free(t_fbsine2 *o) {
    outlet_free(o->out);
}

void fbsine2_coeffs(t_fbsine2 *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 4) {
        pd_error(o, VESH_CLASS_NAME ": 'coeffs' needs a maximum of 4 floats as arguments");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->im, &o->fb, &o->a, &o->c}, vesh::NonFloat::stop,
                     VESH_CLASS_NAME ": 'coeffs' arguments needs to only contain floats");
}

void fbsine2_list(t_fbsine2 *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be <= 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::stop,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

void fbsine2_clear(t_fbsine2 *o) {
    o->x = o->y = 0;
}

t_int *fbsine2_perform(t_int *w) {
    auto *o = vesh::word<t_fbsine2 *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double im = o->im, fb = o->fb, a = o->a, c = o->c;
    double x = o->x, y = o->y;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double nx = std::sin(fb * x + im * y);
        const double ny = std::fmod(a * y + c, two_pi);
        if (std::isfinite(nx) && std::isfinite(ny)) {
            x = nx, y = ny;
        } else {
            x = o->x0, y = o->y0;  // start over rather than hold NaN forever
        }
        held = static_cast<t_sample>(x);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x, o->y = y;
    o->held = held;
    return w + 5;
}

void fbsine2_dsp(t_fbsine2 *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(fbsine2_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    fbsine2_class = vesh::new_class<t_fbsine2>(VESH_CLASS_NAME, fbsine2_new, fbsine2_free);
    VESH_MAIN_SIGNAL_INLET(fbsine2_class, t_fbsine2, frequency);
    vesh::add_dsp(fbsine2_class, fbsine2_dsp);
    vesh::add_list(fbsine2_class, fbsine2_list);
    vesh::add_method(fbsine2_class, "coeffs", fbsine2_coeffs);
    vesh::add_method(fbsine2_class, "clear", fbsine2_clear);
}
