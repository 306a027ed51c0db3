// adsr~: attack-decay-sustain-release envelope. A gate arrives as a signal or
// as floats at the left inlet; a non-zero gate starts the envelope toward a
// peak equal to the gate, a zero gate releases it. Segment times (ms) and the
// sustain factor may be signals. The status outlet reports 1 when the
// envelope becomes active and 0 when its release has ended.
#include <cstdint>

#include "big_or_small.hpp"
#include "envelope.hpp"
#include "vesh.hpp"

namespace {

using vesh::envelope::Segment;

struct t_adsr {
    t_object x_obj;
    t_inlet *attack_inlet;
    t_inlet *decay_inlet;
    t_inlet *sustain_inlet;
    t_inlet *release_inlet;
    t_float gate;       // last float at the left inlet
    t_float last_gate;  // last non-zero one, for bang
    int64_t active;
    t_float level;
    t_float peak;
    t_float samples_per_ms;
    double step;
    int count;  // samples left in attack plus decay, or in the release
    int gate_state;
    int retrigger;
    int log_mode;
    vesh::envelope::Status status;
    Segment attack;
    Segment decay;
    Segment release;
};

t_class *adsr_class;

t_adsr *adsr_new(t_symbol *, int argc, t_atom *argv) {
    t_float attack = 0, decay = 0, sustain = 0, release = 0;
    bool log_mode = false;
    if (vesh::read_args(argc, argv, {&attack, &decay, &sustain, &release}, {{"-log", &log_mode}},
                        vesh::FlagsAt::last_only) < 0) {
        return vesh::improper_args<t_adsr>("[adsr~]: improper args");
    }
    auto *x = vesh::new_object<t_adsr>(adsr_class);
    x->attack_inlet = vesh::signal_inlet(&x->x_obj, attack);
    x->decay_inlet = vesh::signal_inlet(&x->x_obj, decay);
    x->sustain_inlet = vesh::signal_inlet(&x->x_obj, sustain);
    x->release_inlet = vesh::signal_inlet(&x->x_obj, release);
    x->last_gate = 1;
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    x->log_mode = log_mode;
    vesh::envelope::make_outlets(x);
    x->attack.reset();
    x->decay.reset();
    x->release.reset();
    return x;
}

void adsr_float(t_adsr *x, t_floatarg f) {
    x->gate = f;
    if (f == 0) return;
    x->last_gate = f;
    if (x->active) {
        x->retrigger = 1;
    } else {
        x->active = 1;
        x->status.send_now(1);
    }
}

void adsr_bang(t_adsr *x) {
    adsr_float(x, x->last_gate);
}

template <bool Log>
void adsr_run(t_adsr *x, int n, const t_sample *gate_in, const t_sample *attack_in,
              const t_sample *decay_in, const t_sample *sustain_in, const t_sample *release_in,
              t_sample *out) {
    const float gate = x->gate;
    const float spms = x->samples_per_ms;
    int64_t active = x->active;
    float level = x->level;
    float peak = x->peak;
    double step = x->step;
    int count = x->count;
    int gate_state = x->gate_state;
    int retrigger = x->retrigger;
    Segment attack = x->attack, decay = x->decay, release = x->release;

    // Most blocks are idle or sustaining: those stretches need no segment
    // arithmetic (the general loop would give the same samples).
    int i = 0;
    if (!retrigger && count < 1) {
        if (!gate_state && !active && level == 0 && gate == 0) {
            for (; i < n && gate_in[i] == 0; i++) out[i] = 0;
        } else if (gate_state) {
            for (; i < n && (gate != 0 || gate_in[i] != 0); i++) {
                level = sustain_in[i] * peak;
                out[i] = level;
            }
        }
    }

    for (; i < n; i++) {
        // Every input is read before the output sample is written.
        const float g = gate_in[i];
        const float attack_ms = attack_in[i];
        const float decay_ms = decay_in[i];
        const float sustain = sustain_in[i];
        const float release_ms = release_in[i];

        if (retrigger) {
            retrigger = 0;
            const double a = attack.length(attack_ms, spms);
            count = static_cast<int>(a + decay.length(decay_ms, spms));
            step = (static_cast<double>(gate) - level) / a;
            peak = gate;
        } else if (g != 0 || gate != 0) {
            if (!gate_state) {
                vesh::envelope::gate_on_sample(g, gate, level, attack.length(attack_ms, spms),
                                               decay.length(decay_ms, spms), peak, step, count,
                                               active, x->status);
            }
        } else {
            vesh::envelope::release_sample<Log>(level, step, count, active, gate_state, release,
                                                release_ms, spms, x->status);
            out[i] = level;
            continue;
        }

        // Gate on: attack, decay, then sustain.
        const float held = sustain * peak;
        if (count < 1) {
            level = held;
        } else {
            const double d = decay.length(decay_ms, spms);
            if constexpr (Log) {
                if (count > d) {
                    level = static_cast<float>(peak + (static_cast<double>(level) - peak) *
                                                          attack.factor(attack_ms, spms));
                } else {
                    level = static_cast<float>(held + (static_cast<double>(level) - held) *
                                                          decay.factor(decay_ms, spms));
                }
            } else {
                if (count <= d) step = (static_cast<double>(sustain) - 1.0) * peak / d;
                level = static_cast<float>(level + step);
            }
            count--;
        }
        gate_state = 1;
        out[i] = level;
    }

    x->active = active;
    x->level = vesh::flush_big_or_small(level);
    x->peak = vesh::flush_big_or_small(peak);
    x->step = step;
    x->count = count;
    x->gate_state = gate_state;
    x->retrigger = retrigger;
    x->attack = attack;
    x->decay = decay;
    x->release = release;
    x->status.arm();
}

void adsr_block(t_adsr *x, int n, const t_sample *gate, const t_sample *attack,
                const t_sample *decay, const t_sample *sustain, const t_sample *release,
                t_sample *out) {
    (x->log_mode ? adsr_run<true> : adsr_run<false>)(x, n, gate, attack, decay, sustain, release,
                                                     out);
}

void adsr_prepare(t_adsr *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
    x->attack.reset();
    x->decay.reset();
    x->release.reset();
}

}  // namespace

VESH_SETUP {
    adsr_class =
        vesh::new_class<t_adsr>(VESH_CLASS_NAME, adsr_new, vesh::envelope::free_status<t_adsr>);
    vesh::signal_only_left_inlet(adsr_class);
    vesh::add_block_dsp<adsr_block, adsr_prepare>(adsr_class);
    vesh::add_float(adsr_class, adsr_float);
    vesh::add_bang(adsr_class, adsr_bang);
    vesh::add_method(adsr_class, "log", vesh::envelope::log_method<t_adsr>);
}
