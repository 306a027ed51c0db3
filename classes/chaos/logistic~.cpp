// logistic~: the logistic map x' = (p + 3) (1 - x) x, iterated at a rate given
// in Hz; outputs 2x - 1, held between iterations. The right inlet's p
// (limited to 0 ... 1) is read only when an iteration happens.
#include "chaos_args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_logistic {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar
    t_float sr;
    double phase;
    double x;
    t_sample held;  // output between iterations
};

t_class *logistic_class;

constexpr double start_x = 0.5;

t_logistic *logistic_new(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    double frequency = 0, p = 0.5f;
    vesh::read_leading_floats<double>(argc, argv, {&frequency, &p});

    auto *o = vesh::new_object<t_logistic>(logistic_class);
    o->frequency = static_cast<t_float>(frequency);
    o->sr = sr;
    o->phase = vesh::clock_start_phase(o->frequency);
    o->x = start_x;
    o->held = static_cast<t_sample>(2.0 * start_x - 1.0);
    vesh::signal_inlet(&o->x_obj, static_cast<t_float>(p));
    outlet_new(&o->x_obj, &s_signal);
    return o;
}

t_int *logistic_perform(t_int *w) {
    auto *o = vesh::word<t_logistic *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    const auto *param = vesh::word<t_sample *>(w, 4);
    auto *out = vesh::word<t_sample *>(w, 5);
    const double inv_sr = 1.0 / o->sr;  // double: only the rate sample is narrow
    double x = o->x;
    t_sample held = o->held;

    // Runs before out[i] is written, so p may share memory with the output.
    auto iterate = [&](int i) {
        double p = param[i];
        if (p > 1) p = 1;
        if (p < 0) p = 0;
        const double nx = (p + 3.0) * (1.0 - x) * x;
        x = std::isfinite(nx) ? nx : start_x;  // a NaN p would otherwise stick
        held = static_cast<t_sample>(2.0 * x - 1.0);
    };
    vesh::clock_run(o->phase, in, n, inv_sr, iterate, [&](int i, double) { out[i] = held; });

    o->x = x;
    o->held = held;
    return w + 6;
}

void logistic_dsp(t_logistic *o, t_signal **sp) {
    o->sr = sp[0]->s_sr;
    vesh::add_perform(logistic_perform, o, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec);
}

}  // namespace

VESH_SETUP {
    logistic_class = vesh::new_class<t_logistic>(VESH_CLASS_NAME, logistic_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(logistic_class, t_logistic, frequency);
    vesh::add_dsp(logistic_class, logistic_dsp);
}
