// tempo~: gated metronome. While the gate is non-zero it emits a one-sample
// impulse every period, the tempo given in beats per minute, milliseconds or
// hertz and divided by a subdivision. Each period is stretched or shrunk by a
// random factor of up to the swing percentage, drawn anew at every tick. The
// gate opening, a sync onset and a bang each tick at once.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "block.hpp"
#include "random.hpp"
#include "vesh.hpp"

namespace {

enum Mode { bpm, ms, hz };

struct t_tempo {
    t_object x_obj;
    double phase;
    uint32_t word;  // noise LCG
    t_inlet *tempo_inlet;
    t_inlet *swing_inlet;
    t_inlet *sync_inlet;
    t_outlet *outlet;
    t_float sr;
    t_float gate;  // main-inlet scalar
    t_float subdivision;
    t_float deviation;  // factor on the tempo for the current period
    t_float previous_gate;
    t_float previous_sync;
    t_float mode;
};

t_class *tempo_class;
uint32_t seed_counter = 74599;

// At least 1; NaN reads as 1.
t_float subdivision_of(t_float f) {
    return f > 1 ? f : 1;
}

t_tempo *tempo_new(t_symbol *, int argc, t_atom *argv) {
    t_float numbers[2] = {0, 0};  // tempo, swing
    int floats = 0;
    bool on = false;
    Mode mode = bpm;
    t_float subdivision = 1;
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type == A_FLOAT) {
            if (floats < 2) numbers[floats++] = argv[i].a_w.w_float;
            continue;
        }
        const t_symbol *s = argv[i].a_type == A_SYMBOL ? argv[i].a_w.w_symbol : nullptr;
        if (s == gensym("-on")) {
            on = true;
        } else if (s == gensym("-ms")) {
            mode = ms;
        } else if (s == gensym("-hz")) {
            mode = hz;
        } else if (s == gensym("-div") && i + 1 < argc && argv[i + 1].a_type == A_FLOAT) {
            subdivision = subdivision_of(argv[++i].a_w.w_float);
        } else {
            return vesh::improper_args<t_tempo>("tempo~: improper args");
        }
    }
    auto *x = vesh::new_object<t_tempo>(tempo_class);
    x->phase = 1;
    x->word = vesh::noise_lcg_instance(seed_counter);
    x->tempo_inlet = vesh::signal_inlet(&x->x_obj, numbers[0] < 0 ? 0 : numbers[0]);
    x->swing_inlet = vesh::signal_inlet(&x->x_obj, numbers[1] < 0 ? 0 : numbers[1]);
    x->sync_inlet = vesh::signal_inlet(&x->x_obj, 0);
    x->outlet = outlet_new(&x->x_obj, &s_signal);
    x->sr = sys_getsr();
    x->gate = on ? 1 : 0;
    x->subdivision = subdivision;
    // No swing before the first tick: the first period runs at the tempo.
    x->deviation = 1;
    x->mode = mode;
    return x;
}

void tempo_free(t_tempo *x) {
    inlet_free(x->tempo_inlet);
    inlet_free(x->swing_inlet);
    inlet_free(x->sync_inlet);
    outlet_free(x->outlet);
}

// "bpm", "ms", "hz": an optional tempo, and a swing when there are exactly two
// numbers; then the unit.
void tempo_set(t_tempo *x, Mode mode, int argc, t_atom *argv) {
    if (argc >= 1) pd_float(reinterpret_cast<t_pd *>(x->tempo_inlet), atom_getfloat(argv));
    if (argc == 2) pd_float(reinterpret_cast<t_pd *>(x->swing_inlet), atom_getfloat(argv + 1));
    x->mode = mode;
}

void tempo_bpm(t_tempo *x, t_symbol *, int argc, t_atom *argv) {
    tempo_set(x, bpm, argc, argv);
}

void tempo_ms(t_tempo *x, t_symbol *, int argc, t_atom *argv) {
    tempo_set(x, ms, argc, argv);
}

void tempo_hz(t_tempo *x, t_symbol *, int argc, t_atom *argv) {
    tempo_set(x, hz, argc, argv);
}

void tempo_div(t_tempo *x, t_floatarg f) {
    x->subdivision = subdivision_of(f);
}

// A running clock ticks at its next sample.
void tempo_bang(t_tempo *x) {
    x->phase = 1;
}

// The phase increment of one sample: `scale` is subdivision / sample rate. A
// tempo that is not above 0 (NaN included) reads as 0, which in milliseconds
// is an infinite rate; the increment lies in [0, 1], NaN (an infinite
// subdivision at a rate of 0) reading as 0, so the phase stays a number.
template <Mode Unit>
inline double increment(double scale, float deviation, float tempo) {
    const double t = static_cast<double>(deviation) * (tempo > 0 ? tempo : 0.0f);
    double rate = t;
    if constexpr (Unit == bpm) rate = t * 0.016666666666666666;
    if constexpr (Unit == ms) rate = 1000.0 / t;
    const double inc = scale * rate;
    return inc >= 1 ? 1.0 : inc >= 0 ? inc : 0.0;
}

// The factor of the next period: (1 + swing / 100) raised to the word's value
// in [-1, 1]. A swing that gives no finite factor above 0 (below -100 %,
// infinite, NaN) means no swing.
inline float draw_deviation(uint32_t word, float swing) {
    const double r = vesh::noise_lcg_value(word);
    const auto f = static_cast<float>(std::exp(std::log(1.0 + swing * 0.01) * r));
    return f > 0 && f <= FLT_MAX ? f : 1.0f;
}

template <Mode Unit>
void tempo_run(t_tempo *x, int n, const t_sample *gate, const t_sample *tempo,
               const t_sample *swing, const t_sample *sync, t_sample *out) {
    const double scale = static_cast<double>(x->subdivision) * (1.0 / static_cast<double>(x->sr));
    double phase = x->phase;
    uint32_t word = x->word;
    float deviation = x->deviation;
    t_float previous_gate = x->previous_gate;
    t_float previous_sync = x->previous_sync;
    // With gate, sync and tempo holding still, an opening or a sync onset can
    // only come at the first sample, and the increment changes only at ticks.
    const float first_tempo = tempo[0];
    const bool steady = vesh::holds(gate, n, gate[0]) && vesh::holds(sync, n, sync[0]) &&
                        vesh::holds(tempo, n, first_tempo);
    int i = 0;
    for (; i < (steady ? 1 : n); i++) {
        // Every input is read before the output sample is written.
        const t_sample g = gate[i];
        const t_sample s = sync[i];
        const float t = tempo[i];
        const float sw = swing[i];
        float o = 0;
        if (g != 0) {
            const double inc = increment<Unit>(scale, deviation, t);
            if (previous_gate == 0 || (s != 0 && previous_sync == 0)) {
                phase = inc;
                o = 1;
            } else if (phase >= 1) {
                phase = phase - 1 + inc;
                o = 1;
            } else {
                phase += inc;
            }
            if (o != 0) {
                deviation = draw_deviation(word, sw);
                word = vesh::noise_lcg_step(word);
            }
        }
        previous_gate = g;
        previous_sync = s;
        out[i] = o;
    }
    if (steady && previous_gate != 0) {
        double inc = increment<Unit>(scale, deviation, first_tempo);
        for (; i < n; i++) {
            if (phase >= 1) {
                const float sw = swing[i];
                phase = phase - 1 + inc;
                deviation = draw_deviation(word, sw);
                word = vesh::noise_lcg_step(word);
                inc = increment<Unit>(scale, deviation, first_tempo);
                out[i] = 1;
            } else {
                phase += inc;
                out[i] = 0;
            }
        }
    } else {
        for (; i < n; i++) out[i] = 0;  // a gate closed all block
    }
    x->phase = phase;
    x->word = word;
    x->deviation = deviation;
    x->previous_gate = previous_gate;
    x->previous_sync = previous_sync;
}

void tempo_block(t_tempo *x, int n, const t_sample *gate, const t_sample *tempo,
                 const t_sample *swing, const t_sample *sync, t_sample *out) {
    if (n <= 0) return;
    const auto mode = static_cast<int>(x->mode);
    (mode == ms   ? tempo_run<ms>
     : mode == hz ? tempo_run<hz>
                  : tempo_run<bpm>)(x, n, gate, tempo, swing, sync, out);
}

void tempo_prepare(t_tempo *x, t_signal **sp) {
    x->sr = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    tempo_class = vesh::new_class<t_tempo>(VESH_CLASS_NAME, tempo_new, tempo_free);
    VESH_MAIN_SIGNAL_INLET(tempo_class, t_tempo, gate);
    vesh::add_block_dsp<tempo_block, tempo_prepare>(tempo_class);
    vesh::add_bang(tempo_class, tempo_bang);
    vesh::add_method(tempo_class, "bpm", tempo_bpm);
    vesh::add_method(tempo_class, "ms", tempo_ms);
    vesh::add_method(tempo_class, "hz", tempo_hz);
    vesh::add_method(tempo_class, "div", tempo_div);
}
