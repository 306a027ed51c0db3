// henon~: the Hénon map, iterated at a rate given in Hz; outputs y (the
// previous x), held between iterations. An orbit leaving the square ±1.5
// falls back to the origin.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

namespace {

struct t_henon {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double a, b;
    double x, y;
    t_sample held;  // output between iterations
};

t_class *henon_class;

t_henon *henon_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    // Defaults are single-precision values, like everything a message can set.
    double frequency = sr * 0.5f, a = 1.4f, b = 0.3f, x = 0, y = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &a, &b, &x, &y});
    vesh::keep_finite(x, 0.0), vesh::keep_finite(y, 0.0);

    auto *o = vesh::new_object<t_henon>(henon_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->a = a, o->b = b, o->x = x, o->y = y;
    o->held = static_cast<t_sample>(y);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void henon_coeffs(t_henon *o, t_floatarg a, t_floatarg b) {
    o->a = a, o->b = b;
}

void henon_list(t_henon *o, t_symbol *, int argc, t_atom *argv) {
    if (argc != 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be = 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *henon_perform(t_int *w) {
    auto *o = vesh::word<t_henon *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double a = o->a, b = o->b;
    double x = o->x, y = o->y;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double next = static_cast<float>(1.0 - a * x * x + b * y);
        if (next == 1.5 || next == -1.5) return;  // on the edge: stays put
        if (next > -1.5 && next < 1.5) {
            y = x;
            x = next;
        } else {
            x = y = 0;  // escaped (NaN included): back to the origin
        }
        held = static_cast<t_sample>(y);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x, o->y = y;
    o->held = held;
    return w + 5;
}

void henon_dsp(t_henon *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(henon_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    henon_class = vesh::new_class<t_henon>(VESH_CLASS_NAME, henon_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(henon_class, t_henon, frequency);
    vesh::add_dsp(henon_class, henon_dsp);
    vesh::add_list(henon_class, henon_list);
    vesh::add_method(henon_class, "coeffs", henon_coeffs);
}
