// A line through random values in [-1, 1], one new value per period of the
// iteration clock (iteration_clock.hpp), read as steps or as ramps; and the
// class shell of the generators that output it (lfnoise~, rampnoise~,
// stepnoise~). randpulse2~ gates on the same line.
#pragma once

#include "iteration_clock.hpp"
#include "random.hpp"
#include "vesh.hpp"

namespace vesh {

// The value the line comes from, the one it heads for, and the noise-LCG word
// the next value is read from.
struct random_line {
    uint32_t word;
    float current;
    float next;

    // Starts the values over from word w; `current` stays where it is.
    void start(uint32_t w) {
        next = noise_lcg_value(w);
        word = noise_lcg_step(w);
    }

    void draw() {
        current = next;
        next = noise_lcg_value(word);
        word = noise_lcg_step(word);
    }
};

// The ramp of the line's current period: from `current` at the period's
// start to `next` at its end, whichever way the clock runs. The difference
// is taken in single precision, the product and sum in double, and the
// result is a float. Taken anew after each draw, so that the loop only
// multiplies and adds.
struct ramp_segment {
    double from;
    double span;

    explicit ramp_segment(const random_line &line)
        : from(line.current), span(line.next - line.current) {}

    template <typename Real>
    float at(const clock_tick<Real> &tick) const {
        return static_cast<float>(from + span * (tick.falling ? 1.0 - tick.phase : tick.phase));
    }
};

namespace noise_line {

// The record of lfnoise~, rampnoise~ and stepnoise~.
struct t_line {
    t_object x_obj;
    t_float frequency;  // main-inlet scalar, Hz
    double inv_sr;      // 1 / the sample rate
    double phase;
    random_line line;
    bool ramps;
};

inline t_class *line_class;
inline uint32_t seed_counter = 234599;

// A new instance. The class's counter steps on at every creation, seeded or
// not. The phase starts on the boundary it runs from, so the first sample
// draws.
inline t_line *make(t_float frequency, bool ramps, bool seeded = false, double seed = 0) {
    auto *x = new_object<t_line>(line_class);
    x->frequency = frequency;
    x->inv_sr = 1.0 / sys_getsr();
    x->phase = clock_start_phase(frequency);
    x->line.current = 0;
    x->line.start(noise_lcg_instance_apart(seed_counter, seeded, seed));
    x->ramps = ramps;
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// "seed": the values start over from the seed's word, from the next draw on.
inline void seed(t_line *x, t_floatarg f) {
    x->line.start(noise_lcg_seed(f));
}

inline void prepare(t_line *x, t_signal **sp) {
    x->inv_sr = 1.0 / sp[0]->s_sr;
}

template <bool Ramps>
inline void run_line(t_line *x, int n, const t_sample *frequency, const t_sample *sync,
                     t_sample *out) {
    random_line line = x->line;
    ramp_segment ramp(line);
    clock_run_ticks(
        x->phase, frequency, sync, n, x->inv_sr, 1.0,
        [&](int) {
            line.draw();
            if (Ramps) ramp = ramp_segment(line);
        },
        [&](int i, const clock_tick<double> &tick) {
            // A step shows each value one period after it was drawn.
            out[i] = Ramps ? ramp.at(tick) : line.current;
        });
    x->line = line;
}

// One block; a sync sample of exactly 1.0 restarts the period.
inline void synced_block(t_line *x, int n, const t_sample *frequency, const t_sample *sync,
                         t_sample *out) {
    if (x->ramps) {
        run_line<true>(x, n, frequency, sync, out);
    } else {
        run_line<false>(x, n, frequency, sync, out);
    }
}

// Registers the class with its creator, the frequency inlet, dsp and "seed".
template <auto Creator, auto Block>
inline t_class *setup() {
    line_class = new_class<t_line>(VESH_CLASS_NAME, Creator, nullptr);
    VESH_MAIN_SIGNAL_INLET(line_class, t_line, frequency);
    add_block_dsp<Block, prepare>(line_class);
    add_method_defaults(line_class, "seed", seed);
    return line_class;
}

// The generators without a sync input, always ramping or always stepping;
// their one optional argument is the frequency.
template <bool Ramps>
t_line *plain_new(t_floatarg frequency) {
    return make(frequency, Ramps);
}

template <bool Ramps>
void plain_block(t_line *x, int n, const t_sample *frequency, t_sample *out) {
    run_line<Ramps>(x, n, frequency, nullptr, out);
}

template <bool Ramps>
inline void setup_plain() {
    setup<plain_new<Ramps>, plain_block<Ramps>>();
}

}  // namespace noise_line
}  // namespace vesh
