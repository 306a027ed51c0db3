// randpulse2~: gates of random length, on while a random line drawn at a rate in Hz stays above 0.
#include "random_line.hpp"

namespace {

struct t_randpulse2 {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar, Hz
    double inv_sr;      // 1 / the sample rate
    double phase;
    vesh::random_line line;
    float last;             // the previous output sample
    bool random_amplitude;  // gates of random height rather than 1
};

t_class *randpulse2_class;
uint32_t seed_counter = 234599;

// Frequency, random-amplitude flag and seed: at most three numbers.
t_randpulse2 *randpulse2_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, flag = 0, seed = 0;
    if (argc > 3 || !vesh::read_floats<t_float>(argc, argv, {&frequency, &flag, &seed}))
        return vesh::improper_args<t_randpulse2>("[randpulse2~]: improper args");
    auto *x = vesh::new_object<t_randpulse2>(randpulse2_class);
    x->frequency = frequency;
    x->inv_sr = 1.0 / sys_getsr();
    x->phase = vesh::clock_start_phase(frequency);
    // A seed argument restarts the class's counter from it.
    x->line.start(vesh::noise_lcg_instance(seed_counter, argc >= 3, seed));
    x->random_amplitude = flag != 0;
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The line goes on from its values; only the draws after them change.
void randpulse2_seed(t_randpulse2 *x, t_floatarg f) {
    x->line.word = vesh::noise_lcg_seed(f);
}

void randpulse2_rand(t_randpulse2 *x, t_floatarg f) {
    x->random_amplitude = f != 0;
}

void randpulse2_prepare(t_randpulse2 *x, t_signal **sp) {
    x->inv_sr = 1.0 / sp[0]->s_sr;
}

// A gate opens when the line rises above 0 while the output is 0 (at 1, or at
// a random height drawn then), holds while the line is at 0 or above, and
// closes when the line falls below 0.
void randpulse2_block(t_randpulse2 *x, int n, const t_sample *frequency, t_sample *out) {
    vesh::random_line line = x->line;
    float last = x->last;
    const bool random_amplitude = x->random_amplitude;
    vesh::ramp_segment ramp(line);
    vesh::clock_run_ticks(
        x->phase, frequency, nullptr, n, x->inv_sr, 1.0,
        [&](int) {
            line.draw();
            ramp = vesh::ramp_segment(line);
        },
        [&](int i, const vesh::clock_tick<double> &tick) {
            // Branches rather than a choice of values: the gate changes seldom,
            // and a choice would chain each sample's output to the last one.
            const float level = ramp.at(tick);
            if (level > 0) {
                if (last == 0) [[unlikely]] {
                    if (random_amplitude) {
                        last = vesh::noise_lcg_value(line.word);
                        line.word = vesh::noise_lcg_step(line.word);
                    } else {
                        last = 1.0f;
                    }
                }
            } else if (level < 0 && last != 0) [[unlikely]] {
                last = 0.0f;
            }
            out[i] = last;
        });
    x->line = line;
    x->last = last;
}

}  // namespace

VESH_SETUP {
    randpulse2_class = vesh::new_class<t_randpulse2>(VESH_CLASS_NAME, randpulse2_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(randpulse2_class, t_randpulse2, frequency);
    vesh::add_block_dsp<randpulse2_block, randpulse2_prepare>(randpulse2_class);
    vesh::add_method_defaults(randpulse2_class, "seed", randpulse2_seed);
    vesh::add_method_defaults(randpulse2_class, "rand", randpulse2_rand);
}
