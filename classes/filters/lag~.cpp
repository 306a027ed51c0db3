// lag~: one-pole smoothing: the output approaches the input so that a step
// is within 60 dB of it after the lag time (ms, right inlet).
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_lag {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    double y;
    int reset;
    held_factor factor;
};

t_class *lag_class;

t_lag *lag_new(t_floatarg time) {
    auto *x = vesh::new_object<t_lag>(lag_class);
    vesh::signal_inlet(&x->x_obj, time);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The output jumps to the input at the next sample.
void lag_reset(t_lag *x) {
    x->reset = 1;
}

void lag_block(t_lag *x, int n, const t_sample *in, const t_sample *time, t_sample *out) {
    // No time (or NaN) is no lag. A time held for the block leaves a loop
    // with nothing to look up.
    held_factor factors = x->factor;
    if (vesh::holds(time, n)) {
        if (time[0] > 0) {
            const double a = factors.of(time[0]);
            lag_run(x->y, x->reset, n, in, out,
                    [a](double y, double v, int) { return approach(y, v, a); });
        } else {
            lag_run(x->y, x->reset, n, in, out, [](double, double v, int) { return v; });
        }
    } else {
        lag_run(x->y, x->reset, n, in, out, [&](double y, double v, int i) {
            const t_sample t = time[i];
            return t > 0 ? approach(y, v, factors.of(t)) : v;
        });
    }
    x->factor = factors;
}

void lag_prepare(t_lag *x, t_signal **sp) {
    x->factor.set_rate(vesh::samples_per_ms(sp[0]->s_sr));
}

}  // namespace

VESH_SETUP {
    lag_class = vesh::new_class<t_lag>(VESH_CLASS_NAME, lag_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(lag_class, t_lag, in);
    vesh::add_block_dsp<lag_block, lag_prepare>(lag_class);
    vesh::add_method(lag_class, "reset", lag_reset);
}
