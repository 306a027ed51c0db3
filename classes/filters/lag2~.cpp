// lag2~: one-pole smoothing with separate rise and fall times (ms): the
// output approaches the input so that a step is within 60 dB of it after the
// rise time going up and the fall time going down.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_lag2 {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    double y;
    int reset;
    rise_fall factors;
};

t_class *lag2_class;

t_lag2 *lag2_new(t_floatarg rise, t_floatarg fall) {
    auto *x = vesh::new_object<t_lag2>(lag2_class);
    vesh::signal_inlet(&x->x_obj, rise);
    vesh::signal_inlet(&x->x_obj, fall);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The output jumps to the input at the next sample.
void lag2_reset(t_lag2 *x) {
    x->reset = 1;
}

void lag2_block(t_lag2 *x, int n, const t_sample *in, const t_sample *rise, const t_sample *fall,
                t_sample *out) {
    // No time (or NaN) is no lag, as is a factor of 0. Times held for the
    // block leave a loop with nothing to look up.
    rise_fall factors = x->factors;
    if (vesh::holds(rise, n) && vesh::holds(fall, n)) {
        const double up_factor = rise[0] > 0 ? factors.rise.of(rise[0]) : 0;
        const double down_factor = fall[0] > 0 ? factors.fall.of(fall[0]) : 0;
        const bool up_lags = up_factor != 0, down_lags = down_factor != 0;
        lag_run(x->y, x->reset, n, in, out, [=](double y, double v, int) {
            // Both ways worked out, then one taken: no branch on the direction.
            const double up = up_lags ? approach(y, v, up_factor) : v;
            const double down = down_lags ? approach(y, v, down_factor) : v;
            return rise_fall::rising(v, y) ? up : down;
        });
    } else {
        lag_run(x->y, x->reset, n, in, out, [&](double y, double v, int i) {
            const bool up = rise_fall::rising(v, y);
            const t_sample t = up ? rise[i] : fall[i];
            if (!(t > 0)) return v;
            const double a = factors.factor(up, t);
            return a == 0 ? v : approach(y, v, a);
        });
    }
    x->factors = factors;
}

void lag2_prepare(t_lag2 *x, t_signal **sp) {
    x->factors.set_rate(vesh::samples_per_ms(sp[0]->s_sr));
}

}  // namespace

VESH_SETUP {
    lag2_class = vesh::new_class<t_lag2>(VESH_CLASS_NAME, lag2_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(lag2_class, t_lag2, in);
    vesh::add_block_dsp<lag2_block, lag2_prepare>(lag2_class);
    vesh::add_method(lag2_class, "reset", lag2_reset);
}
