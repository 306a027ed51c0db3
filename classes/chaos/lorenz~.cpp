// lorenz~: the Lorenz system, advanced by one fourth-order Runge-Kutta step at
// each tick of the iteration clock; outputs x scaled by 0.04, drawn as a line
// from the previous x to the new one between ticks.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_lorenz {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double s, r, b, h;
    double x, y, z;
    double prev_x, prev_y, prev_z;
    double dx;          // increment of x at the last step
    double x0, y0, z0;  // state at creation, restored if the system blows up
    t_outlet *out;
};

t_class *lorenz_class;

struct t_point {
    double x, y, z;
};

t_point lorenz_derivative(double s, double r, double b, const t_point &p) {
    return {s * (p.y - p.x), p.x * (r - p.z) - p.y, p.x * p.y - b * p.z};
}

t_point scaled(double h, const t_point &d) {
    return {h * d.x, h * d.y, h * d.z};
}

t_point moved(const t_point &p, const t_point &k, double by) {
    return {p.x + k.x * by, p.y + k.y * by, p.z + k.z * by};
}

t_lorenz *lorenz_new(t_symbol *, int argc, t_atom *argv) {
    if (!vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_lorenz>(VESH_CLASS_NAME
                                             ": arguments needs to only contain floats");
    }
    const t_float sr = sys_getsr();
    t_float frequency = sr * 0.5f;
    double s = 10.0, b = 2.667, r = 28.0, h = 0.05, x = 0.1, y = 0.0, z = 0.0;
    double *fields[] = {&s, &b, &r, &h, &x, &y, &z};
    if (argc > 0) frequency = atom_getfloat(argv);
    for (int i = 1; i < argc && i <= 7; i++) *fields[i - 1] = atom_getfloat(argv + i);
    vesh::keep_finite(x, 0.1), vesh::keep_finite(y, 0.0), vesh::keep_finite(z, 0.0);

    auto *o = vesh::new_object<t_lorenz>(lorenz_class);
    o->frequency = frequency;
    o->sr = sr;
    o->phase = vesh::clock_start_phase(frequency);
    o->s = s, o->r = r, o->b = b, o->h = h;
    o->x = o->prev_x = o->x0 = x;
    o->y = o->prev_y = o->y0 = y;
    o->z = o->prev_z = o->z0 = z;
    o->out = outlet_new(&o->x_obj, &s_signal);
    return o;
}

void lorenz_free(t_lorenz *o) {
    outlet_free(o->out);
}

void lorenz_coeffs(t_lorenz *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 4) {
        pd_error(o, VESH_CLASS_NAME ": 'coeffs' needs a maximum of 4 floats as arguments");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->s, &o->r, &o->b, &o->h}, vesh::NonFloat::stop,
                     VESH_CLASS_NAME ": 'coeffs' arguments needs to only contain floats");
}

void lorenz_list(t_lorenz *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 3) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be <= 3");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y, &o->z}, vesh::NonFloat::stop,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

void lorenz_clear(t_lorenz *o) {
    o->x = o->y = o->z = 0;
    o->prev_x = o->prev_y = o->prev_z = 0;
}

t_int *lorenz_perform(t_int *w) {
    auto *o = vesh::word<t_lorenz *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    // The clock's 1/sr is kept in double: the rate's single-precision sample
    // is the only narrow value in the phase.
    const double inv_sr = 1.0 / o->sr;
    const double s = o->s, r = o->r, b = o->b, h = o->h;
    t_point p = {o->x, o->y, o->z};
    double prev_x = o->prev_x, prev_y = o->prev_y, prev_z = o->prev_z, dx = o->dx;

    auto step = [&](int) {
        const t_point k1 = scaled(h, lorenz_derivative(s, r, b, p));
        const t_point k2 = scaled(h, lorenz_derivative(s, r, b, moved(p, k1, 0.5)));
        const t_point k3 = scaled(h, lorenz_derivative(s, r, b, moved(p, k2, 0.5)));
        const t_point k4 = scaled(h, lorenz_derivative(s, r, b, moved(p, k3, 1.0)));
        constexpr double sixth = 0.1666666666666667;
        const t_point d = {(k1.x + 2.0 * k2.x + 2.0 * k3.x + k4.x) * sixth,
                           (k1.y + 2.0 * k2.y + 2.0 * k3.y + k4.y) * sixth,
                           (k1.z + 2.0 * k2.z + 2.0 * k3.z + k4.z) * sixth};
        prev_x = p.x, prev_y = p.y, prev_z = p.z;
        const t_point next = {p.x + d.x, p.y + d.y, p.z + d.z};
        if (std::isfinite(next.x) && std::isfinite(next.y) && std::isfinite(next.z)) {
            p = next;
            dx = d.x;
        } else {
            // Diverged (extreme coefficients or state): start over rather than
            // emit NaN from now on.
            p = {o->x0, o->y0, o->z0};
            prev_x = p.x, prev_y = p.y, prev_z = p.z;
            dx = 0;
        }
    };
    vesh::clock_run(o->phase, in, n, inv_sr, step, [&](int i, double t) {
        out[i] = static_cast<t_sample>((dx * t + prev_x) * 0.04);
    });

    o->x = p.x, o->y = p.y, o->z = p.z;
    o->prev_x = prev_x, o->prev_y = prev_y, o->prev_z = prev_z, o->dx = dx;
    return w + 5;
}

void lorenz_dsp(t_lorenz *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(lorenz_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    lorenz_class = vesh::new_class<t_lorenz>(VESH_CLASS_NAME, lorenz_new, lorenz_free);
    VESH_MAIN_SIGNAL_INLET(lorenz_class, t_lorenz, frequency);
    vesh::add_dsp(lorenz_class, lorenz_dsp);
    vesh::add_list(lorenz_class, lorenz_list);
    vesh::add_method(lorenz_class, "coeffs", lorenz_coeffs);
    vesh::add_method(lorenz_class, "clear", lorenz_clear);
}
