// latoocarfian~: the Latoocarfian map, iterated at a rate given in Hz; outputs
// x, held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_latoocarfian {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double a, b, c, d;
    double x, y;
    double x0, y0;  // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
    t_outlet *out;
};

t_class *latoocarfian_class;

t_latoocarfian *latoocarfian_new(t_symbol *, int argc, t_atom *argv) {
    if (!vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_latoocarfian>(VESH_CLASS_NAME
                                                   ": arguments needs to only contain floats");
    }
    const t_float sr = sys_getsr();
    t_float frequency = sr * 0.5f;
    // Arguments arrive as single-precision floats and are widened as they are.
    double a = 1.0, b = 3.0, c = 0.5, d = 0.5, x = 0.5, y = 0.5;
    double *fields[] = {&a, &b, &c, &d, &x, &y};
    if (argc > 0) frequency = atom_getfloat(argv);
    for (int i = 1; i < argc && i <= 6; i++) *fields[i - 1] = atom_getfloat(argv + i);
    vesh::keep_finite(x, 0.5), vesh::keep_finite(y, 0.5);

    auto *o = vesh::new_object<t_latoocarfian>(latoocarfian_class);
    o->frequency = frequency;
    o->sr = sr;
    o->phase = vesh::clock_start_phase(frequency);
    o->a = a, o->b = b, o->c = c, o->d = d;
    o->x = o->x0 = x;
    o->y = o->y0 = y;
    o->held = static_cast<t_sample>(x);
    o->out = outlet_new(&o->x_obj, &s_signal);
    return o;
}

void latoocarfian_free(t_latoocarfian *o) {
    outlet_free(o->out);
}

void latoocarfian_coeffs(t_latoocarfian *o, t_symbol *, int argc, t_atom *argv) {
    if (argc != 4) {
        pd_error(o, VESH_CLASS_NAME ": 'coeffs' needs a list of 4 floats as arguments");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->a, &o->b, &o->c, &o->d}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": 'coeffs' arguments needs to only contain floats");
}

void latoocarfian_list(t_latoocarfian *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be = 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *latoocarfian_perform(t_int *w) {
    auto *o = vesh::word<t_latoocarfian *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double a = o->a, b = o->b, c = o->c, d = o->d;
    double x = o->x, y = o->y;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double nx = std::sin(b * y) + c * std::sin(b * x);
        const double ny = std::sin(a * x) + d * std::sin(a * y);
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

void latoocarfian_dsp(t_latoocarfian *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(latoocarfian_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    latoocarfian_class =
        vesh::new_class<t_latoocarfian>(VESH_CLASS_NAME, latoocarfian_new, latoocarfian_free);
    VESH_MAIN_SIGNAL_INLET(latoocarfian_class, t_latoocarfian, frequency);
    vesh::add_dsp(latoocarfian_class, latoocarfian_dsp);
    vesh::add_list(latoocarfian_class, latoocarfian_list);
    vesh::add_method(latoocarfian_class, "coeffs", latoocarfian_coeffs);
}
