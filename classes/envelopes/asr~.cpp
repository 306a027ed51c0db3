// asr~: attack-sustain-release envelope. A non-zero gate (signal or float at
// the left inlet) rises to the gate level and holds it; a zero gate releases
// to 0. Attack and release times (ms) may be signals. The status outlet
// reports 1 when the envelope becomes active and 0 when its release has ended.
#include <cstdint>

#include "big_or_small.hpp"
#include "envelope.hpp"
#include "vesh.hpp"

namespace {

using vesh::envelope::Segment;

struct t_asr {
    t_object x_obj;
    t_inlet *attack_inlet;
    t_inlet *release_inlet;
    t_float gate;  // last float at the left inlet
    int64_t active;
    t_float level;
    t_float peak;
    t_float samples_per_ms;
    double step;
    int log_mode;
    int count;  // samples left in the attack or the release
    int gate_state;
    vesh::envelope::Status status;
    Segment attack;
    Segment release;
};

t_class *asr_class;

t_asr *asr_new(t_symbol *, int argc, t_atom *argv) {
    t_float attack = 0, release = 0;
    bool log_mode = false;
    if (vesh::read_args(argc, argv, {&attack, &release}, {{"-log", &log_mode}},
                        vesh::FlagsAt::last_only) < 0) {
        return vesh::improper_args<t_asr>("[asr~]: improper args");
    }
    auto *x = vesh::new_object<t_asr>(asr_class);
    x->attack_inlet = vesh::signal_inlet(&x->x_obj, attack);
    x->release_inlet = vesh::signal_inlet(&x->x_obj, release);
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    x->log_mode = log_mode;
    vesh::envelope::make_outlets(x);
    x->attack.reset();
    x->release.reset();
    return x;
}

// No retrigger: a new level while the gate is on waits for the next onset.
void asr_float(t_asr *x, t_floatarg f) {
    if (f != 0 && !x->active) {
        x->active = 1;
        x->status.send_now(1);
    }
    x->gate = f;
}

template <bool Log>
void asr_run(t_asr *x, int n, const t_sample *gate_in, const t_sample *attack_in,
             const t_sample *release_in, t_sample *out) {
    const float gate = x->gate;
    const float spms = x->samples_per_ms;
    int64_t active = x->active;
    float level = x->level;
    float peak = x->peak;
    double step = x->step;
    int count = x->count;
    int gate_state = x->gate_state;
    Segment attack = x->attack, release = x->release;

    // Most blocks are idle or holding: those stretches need no segment
    // arithmetic (the general loop would give the same samples).
    int i = 0;
    if (!gate_state && !active && level == 0 && gate == 0 && count < 1) {
        for (; i < n && gate_in[i] == 0; i++) out[i] = 0;
    } else if (gate_state && !Log && count < 1) {
        for (; i < n && (gate != 0 || gate_in[i] != 0); i++) out[i] = peak;
        if (i > 0) level = peak;
    } else if (gate_state && Log) {
        // An exponential attack settles where one more step leaves the level
        // as it is; it stays there while the attack time does not change.
        const float attack_ms = attack_in[0];
        const double f = attack.factor(attack_ms, spms);
        if (static_cast<float>(peak + (static_cast<double>(level) - peak) * f) == level) {
            for (; i < n && (gate != 0 || gate_in[i] != 0) && attack_in[i] == attack_ms; i++) {
                out[i] = level;
            }
        }
    }

    for (; i < n; i++) {
        // Every input is read before the output sample is written.
        const float g = gate_in[i];
        const float attack_ms = attack_in[i];
        const float release_ms = release_in[i];

        if (g != 0 || gate != 0) {
            if (!gate_state) {
                vesh::envelope::gate_on_sample(g, gate, level, attack.length(attack_ms, spms), 0,
                                               peak, step, count, active, x->status);
                gate_state = 1;
            }
            if constexpr (Log) {
                level = static_cast<float>(peak + (static_cast<double>(level) - peak) *
                                                      attack.factor(attack_ms, spms));
            } else if (count < 1) {
                level = peak;
            } else {
                count--;
                level = static_cast<float>(level + step);
            }
        } else {
            vesh::envelope::release_sample<Log>(level, step, count, active, gate_state, release,
                                                release_ms, spms, x->status);
        }
        out[i] = level;
    }

    x->active = active;
    x->level = vesh::flush_big_or_small(level);
    x->peak = vesh::flush_big_or_small(peak);
    x->step = step;
    x->count = count;
    x->gate_state = gate_state;
    x->attack = attack;
    x->release = release;
    x->status.arm();
}

void asr_block(t_asr *x, int n, const t_sample *gate, const t_sample *attack,
               const t_sample *release, t_sample *out) {
    (x->log_mode ? asr_run<true> : asr_run<false>)(x, n, gate, attack, release, out);
}

void asr_prepare(t_asr *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
    x->attack.reset();
    x->release.reset();
}

}  // namespace

VESH_SETUP {
    asr_class =
        vesh::new_class<t_asr>(VESH_CLASS_NAME, asr_new, vesh::envelope::free_status<t_asr>);
    vesh::signal_only_left_inlet(asr_class);
    vesh::add_block_dsp<asr_block, asr_prepare>(asr_class);
    vesh::add_float(asr_class, asr_float);
    vesh::add_method(asr_class, "log", vesh::envelope::log_method<t_asr>);
}
