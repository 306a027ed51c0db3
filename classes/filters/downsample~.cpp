// downsample~: sample-rate reduction; holds the input at a rate in Hz (a
// signal), optionally joining the held values with straight lines.
#include "iteration_clock.hpp"
#include "vesh.hpp"

namespace {

struct t_downsample {
    t_object x_obj;
    double phase;  // of the hold clock, one cycle per value taken
    t_sample last;
    t_sample previous;
    int interpolate;
    t_float sample_rate;
};

t_class *downsample_class;

// Floats only: the rate (default: the sample rate) and the interpolation flag.
t_downsample *downsample_new(t_symbol *, int argc, t_atom *argv) {
    t_float sr = sys_getsr();
    t_float rate = sr, interpolate = 0;
    if (!vesh::read_floats(argc, argv, {&rate, &interpolate})) {
        return vesh::improper_args<t_downsample>("[downsample~]: improper args");
    }
    auto *x = vesh::new_object<t_downsample>(downsample_class);
    x->sample_rate = sr;
    x->interpolate = interpolate != 0;
    x->phase = vesh::clock_start_phase(rate);
    vesh::signal_inlet(&x->x_obj, rate);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void downsample_interp(t_downsample *x, t_floatarg on) {
    x->interpolate = on != 0;
}

// The hold clock is the iteration clock of the rate-driven generators: a
// rising phase takes a value when it reaches 1, a falling one when it reaches
// 0; a NaN rate holds still. Interpolation runs from the previous value to
// the last one as the phase moves on.
template <bool Interpolate>
void downsample_run(t_downsample *x, int n, const t_sample *in, const t_sample *rate,
                    t_sample *out) {
    t_sample last = x->last, previous = x->previous;
    vesh::clock_run(
        x->phase, rate, n, 1.0 / x->sample_rate,
        [&](int i) {
            previous = last;
            last = in[i];
        },
        [&](int i, double phase) {
            if constexpr (Interpolate) {
                const double weight = rate[i] < 0 ? 1 - phase : phase;
                out[i] = static_cast<t_sample>(previous +
                                               (static_cast<double>(last) - previous) * weight);
            } else {
                out[i] = last;
            }
        });
    x->last = last;
    x->previous = previous;
}

void downsample_block(t_downsample *x, int n, const t_sample *in, const t_sample *rate,
                      t_sample *out) {
    (x->interpolate ? downsample_run<true> : downsample_run<false>)(x, n, in, rate, out);
}

void downsample_prepare(t_downsample *x, t_signal **sp) {
    x->sample_rate = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    downsample_class = vesh::new_class<t_downsample>(VESH_CLASS_NAME, downsample_new, nullptr);
    vesh::signal_only_left_inlet(downsample_class);
    vesh::add_block_dsp<downsample_block, downsample_prepare>(downsample_class);
    vesh::add_method_defaults(downsample_class, "interp", downsample_interp);
}
