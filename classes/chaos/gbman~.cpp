// gbman~: the gingerbread-man map, iterated in single precision at a rate
// given in Hz; outputs x, held between iterations.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_gbman {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double x, y;
    double x0, y0;  // state at creation, restored if the map blows up
    t_sample held;  // output between iterations
};

t_class *gbman_class;

t_gbman *gbman_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, x = 1.2f, y = 2.1f;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &x, &y});
    vesh::keep_finite(x, 1.2f), vesh::keep_finite(y, 2.1f);

    auto *o = vesh::new_object<t_gbman>(gbman_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->x = o->x0 = x;
    o->y = o->y0 = y;
    o->held = static_cast<t_sample>(x);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void gbman_list(t_gbman *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be = 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *gbman_perform(t_int *w) {
    auto *o = vesh::word<t_gbman *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    float x = static_cast<float>(o->x), y = static_cast<float>(o->y);
    t_sample held = o->held;

    auto iterate = [&](int) {
        const float nx = std::fabs(x) - y + 1.0f;
        if (std::isfinite(nx)) {
            y = x;
            x = nx;
        } else {
            // start over rather than hold NaN forever
            x = static_cast<float>(o->x0), y = static_cast<float>(o->y0);
        }
        held = x;
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x, o->y = y;
    o->held = held;
    return w + 5;
}

void gbman_dsp(t_gbman *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(gbman_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    gbman_class = vesh::new_class<t_gbman>(VESH_CLASS_NAME, gbman_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(gbman_class, t_gbman, frequency);
    vesh::add_dsp(gbman_class, gbman_dsp);
    vesh::add_list(gbman_class, gbman_list);
}
