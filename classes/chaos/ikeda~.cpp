// ikeda~: the Ikeda map, iterated at a rate given in Hz; outputs x on the left
// and y on the right, held between iterations. The map runs in single
// precision between steps, and so does its clock's step.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_ikeda {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double u;
    double x, y;
    double x0, y0;            // state at creation, restored if the map blows up
    t_sample held_x, held_y;  // outputs between iterations
};

t_class *ikeda_class;

t_ikeda *ikeda_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = sr * 0.5f, u = 0.75f, x = 0, y = 0;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &u, &x, &y});
    vesh::keep_finite(x, 0.0), vesh::keep_finite(y, 0.0);

    auto *o = vesh::new_object<t_ikeda>(ikeda_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->u = u;
    o->x = o->x0 = x;
    o->y = o->y0 = y;
    o->held_x = static_cast<t_sample>(x);
    o->held_y = static_cast<t_sample>(y);
    outlet_new(&o->x_obj, &s_signal);
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

void ikeda_u(t_ikeda *o, t_floatarg u) {
    o->u = u;
}

void ikeda_clear(t_ikeda *o) {
    o->x = o->y = 0;
}

void ikeda_list(t_ikeda *o, t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) {
        pd_error(o, VESH_CLASS_NAME ": list size needs to be = 2");
        return;
    }
    vesh::set_floats(o, argc, argv, {&o->x, &o->y}, vesh::NonFloat::skip,
                     VESH_CLASS_NAME ": list needs to only contain floats");
}

t_int *ikeda_perform(t_int *w) {
    auto *o = vesh::word<t_ikeda *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out_x = vesh::word<t_sample *>(w, 4);
    auto *out_y = vesh::word<t_sample *>(w, 5);
    const float inv_sr = 1.0f / o->sr;
    const double u = o->u;
    double x = o->x, y = o->y;
    t_sample held_x = o->held_x, held_y = o->held_y;

    auto iterate = [&](int) {
        const double t = static_cast<float>(0.4 - 6.0 / (x * x + y * y + 1.0));
        const double c = std::cos(t), s = std::sin(t);
        const double nx = static_cast<float>(1.0 + u * (x * c - y * s));
        const double ny = static_cast<float>(u * (nx * s + y * c));
        if (std::isfinite(nx) && std::isfinite(ny)) {
            x = nx, y = ny;
        } else {
            x = o->x0, y = o->y0;  // start over rather than hold NaN forever
        }
        held_x = static_cast<t_sample>(x);
        held_y = static_cast<t_sample>(y);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) {
        out_x[i] = held_x;
        out_y[i] = held_y;
    });

    o->x = x, o->y = y;
    o->held_x = held_x, o->held_y = held_y;
    return w + 6;
}

void ikeda_dsp(t_ikeda *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(ikeda_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec);
}

}  // namespace

VESH_SETUP {
    ikeda_class = vesh::new_class<t_ikeda>(VESH_CLASS_NAME, ikeda_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(ikeda_class, t_ikeda, frequency);
    vesh::add_dsp(ikeda_class, ikeda_dsp);
    vesh::add_list(ikeda_class, ikeda_list);
    vesh::add_method(ikeda_class, "u", ikeda_u);
    vesh::add_method(ikeda_class, "clear", ikeda_clear);
}
