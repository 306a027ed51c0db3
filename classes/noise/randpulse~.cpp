// randpulse~: a pulse wave whose every period has a new random height in [-1, 1], with width and
// sync inputs.
#include "iteration_clock.hpp"
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_randpulse {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar, Hz
    double inv_sr;      // 1 / the sample rate
    double phase;
    uint32_t word;
    float value;  // of the current pulse
};

t_class *randpulse_class;
uint32_t seed_counter = 234599;

// Frequency, width and seed, read only when the first is a number; any
// argument that is not a number keeps its default.
t_randpulse *randpulse_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, width = 0.5f, seed = 0;
    vesh::read_leading_floats<t_float>(argc, argv, {&frequency, &width, &seed});
    const bool seeded = argc >= 3 && argv[0].a_type == A_FLOAT && argv[2].a_type == A_FLOAT;
    auto *x = vesh::new_object<t_randpulse>(randpulse_class);
    x->frequency = frequency;
    x->inv_sr = 1.0 / sys_getsr();
    // A frequency of 0 waits at the period's start without drawing.
    x->phase = frequency > 0 ? 1.0 : 0.0;
    x->word = vesh::noise_lcg_stepped_instance(seed_counter, seeded, seed);
    vesh::signal_inlet(&x->x_obj, width);
    vesh::signal_inlet(&x->x_obj, 0);  // sync
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void randpulse_seed(t_randpulse *x, t_floatarg f) {
    x->word = vesh::noise_lcg_step(vesh::noise_lcg_seed(f));
}

void randpulse_prepare(t_randpulse *x, t_signal **sp) {
    x->inv_sr = 1.0 / sp[0]->s_sr;
}

// Each period starts a pulse of a new height, lasting for the width's share
// of the period (limited to 0 ... 1). Rising, the last sample of a period is
// always 0, so that pulses never merge; falling, the period's first sample is
// 0. At most half the sample rate either way.
void randpulse_block(t_randpulse *x, int n, const t_sample *frequency, const t_sample *width,
                     const t_sample *sync, t_sample *out) {
    uint32_t word = x->word;
    float value = x->value;
    auto run = [&](auto width_at) {
        vesh::clock_run_ticks(
            x->phase, frequency, sync, n, x->inv_sr, 0.5,
            [&](int) {
                value = vesh::noise_lcg_value(word);
                word = vesh::noise_lcg_step(word);
            },
            [&](int i, const vesh::clock_tick<double> &tick) {
                const double t = tick.phase, w = width_at(i);
                const bool on = tick.falling ? !tick.fired && (t + tick.step <= 0 || t <= w)
                                             : tick.fired || (t + tick.step < 1 && t <= w);
                out[i] = on ? value : 0.0f;
            });
    };
    // Within 0 ... 1; NaN reads as 0.
    auto limit = [](t_sample w) { return w > 0 ? (w < 1 ? static_cast<float>(w) : 1.0f) : 0.0f; };
    if (n > 0 && vesh::holds(width, n)) {
        const float w = limit(width[0]);
        run([w](int) { return w; });
    } else {
        run([&](int i) { return limit(width[i]); });
    }
    x->word = word;
    x->value = value;
}

}  // namespace

VESH_SETUP {
    randpulse_class = vesh::new_class<t_randpulse>(VESH_CLASS_NAME, randpulse_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(randpulse_class, t_randpulse, frequency);
    vesh::add_block_dsp<randpulse_block, randpulse_prepare>(randpulse_class);
    vesh::add_method_defaults(randpulse_class, "seed", randpulse_seed);
}
