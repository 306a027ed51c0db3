// standard~: the standard (Chirikov) map on the torus, iterated at a rate given
// in Hz; outputs x mapped from [0, 2 pi) to [-1, 1), held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_standard {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double k;
    double x, y;
    double x0, y0;  // state at creation, restored if the map blows up
    t_sample held;  // last output, held between iterations
};

t_class *standard_class;

constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
constexpr double one_over_pi = 0.3183098861837907;

t_standard *standard_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, k = 1.0f, x = 0.5f, y = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &k, &x, &y});
    vesh::keep_finite(x, 0.5f), vesh::keep_finite(y, 0.0);

    auto *o = vesh::new_object<t_standard>(standard_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->k = k;
    o->x = o->x0 = x;
    o->y = o->y0 = y;
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void standard_k(t_standard *o, t_floatarg k) {
    o->k = k;
}

void standard_list(t_standard *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be = 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *standard_perform(t_int *w) {
    auto *o = vesh::word<t_standard *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    const double k = o->k;
    double x = o->x, y = o->y;
    t_sample held = o->held;

    auto iterate = [&](int) {
        const double ny = std::fmod(y + k * std::sin(x), two_pi);
        double nx = std::fmod(x + ny, two_pi);
        if (nx < 0) nx += two_pi;
        if (std::isfinite(nx) && std::isfinite(ny)) {
            x = nx, y = ny;
        } else {
            x = o->x0, y = o->y0;  // start over rather than hold NaN forever
        }
        held = static_cast<t_sample>((x - pi) * one_over_pi);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x, o->y = y;
    o->held = held;
    return w + 5;
}

void standard_dsp(t_standard *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(standard_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    standard_class = vesh::new_class<t_standard>(VESH_CLASS_NAME, standard_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(standard_class, t_standard, frequency);
    vesh::add_dsp(standard_class, standard_dsp);
    vesh::add_list(standard_class, standard_list);
    vesh::add_method(standard_class, "k", standard_k);
}
