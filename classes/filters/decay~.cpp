// decay~: exponential decay excited by the input, or by an impulse sent as a
// float or bang: y = y a + x, with a the factor that falls by 60 dB over the
// decay time (ms, right inlet).
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_decay {
    t_object x_obj;
    double y;
    impulse kick;
    held_factor factor;
};

t_class *decay_class;

// The decay time (default 1000 ms); further floats are ignored.
t_decay *decay_new(t_symbol *, int argc, t_atom *argv) {
    t_float time = 1000;
    if (!vesh::read_floats(argc, argv, {&time})) {
        return vesh::improper_args<t_decay>("[decay~]: improper args");
    }
    auto *x = vesh::new_object<t_decay>(decay_class);
    x->kick.value = 1;
    vesh::signal_inlet(&x->x_obj, time);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void decay_clear(t_decay *x) {
    x->y = 0;
}

void decay_float(t_decay *x, t_floatarg f) {
    x->kick.value = f;
    x->kick.pending = 1;
}

void decay_bang(t_decay *x) {
    x->kick.pending = 1;
}

void decay_block(t_decay *x, int n, const t_sample *in, const t_sample *time, t_sample *out) {
    held_factor factors = x->factor;
    const bool kick = x->kick.pending != 0;
    const double first = x->kick.first(in[0]);
    double y = x->y;
    if (vesh::holds(time, n) && time[0] > 0) {
        // One time for the block: its factor once, and a loop with nothing else.
        const double a = factors.of(time[0]);
        const auto step = [a](double z, double v, int) { return z * a + v; };
        y = kick ? vesh::recur_after(
                       y, n, in, out, [&](double z, double) { return z * a + first; }, step)
                 : vesh::recur(y, n, in, out, step);
    } else {
        for (int i = 0; i < n; i++) {
            const double v = i == 0 ? first : in[i];
            const t_sample t = time[i];
            if (t > 0) {
                y = y * factors.of(t) + v;
                out[i] = static_cast<t_sample>(y);
            } else {
                out[i] = static_cast<t_sample>(v);  // no time (or NaN): the state waits
            }
        }
    }
    x->y = std::isfinite(y) ? y : 0;
    x->factor = factors;
}

void decay_prepare(t_decay *x, t_signal **sp) {
    x->factor.set_rate(vesh::samples_per_ms(sp[0]->s_sr));
}

}  // namespace

VESH_SETUP {
    decay_class = vesh::new_class<t_decay>(VESH_CLASS_NAME, decay_new, nullptr);
    vesh::signal_only_left_inlet(decay_class);
    vesh::add_block_dsp<decay_block, decay_prepare>(decay_class);
    vesh::add_method(decay_class, "clear", decay_clear);
    vesh::add_float(decay_class, decay_float);
    vesh::add_bang(decay_class, decay_bang);
}
