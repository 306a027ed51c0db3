// xmod~: two sine oscillators modulating each other, in frequency (the
// default) or in phase ("-pm", "pm").
#include "cycle_sine.hpp"
#include "vesh.hpp"

#include <cmath>
#include <cstring>
#include <type_traits>

namespace {

constexpr double two_pi = 6.283185307179586;

struct t_xmod {
    t_object x_obj;
    double phase1;  // cycles
    double phase2;
    t_float mode;        // 0 frequency modulation, 1 phase modulation
    t_sample last2;      // oscillator 2's last output
    t_float frequency1;  // main-inlet scalar, Hz
    t_inlet *index1_inlet;
    t_inlet *frequency2_inlet;
    t_inlet *index2_inlet;
    t_outlet *outlet1;
    t_outlet *outlet2;
    t_float sr;
};

t_class *xmod_class;

// Floats (frequency 1, index 1, frequency 2, index 2; more are ignored), and
// "-pm" as the last atom only.
t_xmod *xmod_new(t_symbol *, int argc, t_atom *argv) {
    const bool pm = argc > 0 && argv[argc - 1].a_type == A_SYMBOL &&
                    std::strcmp(argv[argc - 1].a_w.w_symbol->s_name, "-pm") == 0;
    t_float frequency1 = 0, index1 = 0, frequency2 = 0, index2 = 0;
    if (!vesh::read_floats(pm ? argc - 1 : argc, argv,
                           {&frequency1, &index1, &frequency2, &index2})) {
        return vesh::improper_args<t_xmod>("[xmod~]: improper args");
    }
    auto *x = vesh::new_object<t_xmod>(xmod_class);
    x->mode = pm ? 1 : 0;
    x->frequency1 = frequency1;
    x->index1_inlet = vesh::signal_inlet(&x->x_obj, index1);
    x->frequency2_inlet = vesh::signal_inlet(&x->x_obj, frequency2);
    x->index2_inlet = vesh::signal_inlet(&x->x_obj, index2);
    x->outlet1 = outlet_new(&x->x_obj, &s_signal);
    x->outlet2 = outlet_new(&x->x_obj, &s_signal);
    x->sr = sys_getsr();
    return x;
}

void xmod_free(t_xmod *x) {
    inlet_free(x->index1_inlet);
    inlet_free(x->frequency2_inlet);
    inlet_free(x->index2_inlet);
    outlet_free(x->outlet1);
    outlet_free(x->outlet2);
}

void xmod_pm(t_xmod *x) {
    x->mode = 1;
}

void xmod_fm(t_xmod *x) {
    x->mode = 0;
}

// sin(2 pi phase) in double precision, narrowed.
t_sample sine_of_phase(double phase) {
    if constexpr (std::is_same_v<t_sample, float>) {
        return vesh::any_turn_sine_narrowed(two_pi * phase);
    } else {
        return std::sin(two_pi * phase);  // nothing to narrow
    }
}

// Whole cycles dropped; a phase that an infinite or NaN input reached starts
// again from 0.
double wrapped(double phase) {
    return std::isfinite(phase) ? std::fmod(phase, 1.0) : 0.0;
}

// Each oscillator's step or phase takes the other's output times its index:
// oscillator 1 reads oscillator 2's output of the sample before. Steps are
// formed in the sample type (1/sr too) and added to the double phases.
void xmod_block(t_xmod *x, int n, const t_sample *frequency1, const t_sample *index1,
                const t_sample *frequency2, const t_sample *index2, t_sample *out1,
                t_sample *out2) {
    const t_sample inv_sr = t_sample(1) / static_cast<t_sample>(x->sr);
    double phase1 = x->phase1, phase2 = x->phase2;
    t_sample last2 = x->last2;
    if (x->mode == 0) {
        for (int i = 0; i < n; i++) {
            const t_sample f1 = frequency1[i], i1 = index1[i], f2 = frequency2[i], i2 = index2[i];
            const t_sample y1 = sine_of_phase(phase1);
            const t_sample y2 = sine_of_phase(phase2);
            phase2 += static_cast<double>((f2 + i1 * y1) * inv_sr);
            phase1 += static_cast<double>((f1 + i2 * last2) * inv_sr);
            last2 = y2;
            out1[i] = y1;
            out2[i] = y2;
        }
    } else {
        for (int i = 0; i < n; i++) {
            const t_sample f1 = frequency1[i], i1 = index1[i], f2 = frequency2[i], i2 = index2[i];
            // The angles are narrowed to the sample type before the sine.
            const t_sample y1 = std::sin(
                static_cast<t_sample>((phase1 + static_cast<double>(i2 * last2)) * two_pi));
            const t_sample y2 =
                std::sin(static_cast<t_sample>((phase2 + static_cast<double>(y1 * i1)) * two_pi));
            phase1 += static_cast<double>(f1 * inv_sr);
            phase2 += static_cast<double>(f2 * inv_sr);
            last2 = y2;
            out1[i] = y1;
            out2[i] = y2;
        }
    }
    x->phase1 = wrapped(phase1);
    x->phase2 = wrapped(phase2);
    x->last2 = std::isfinite(last2) ? last2 : 0;
}

void xmod_prepare(t_xmod *x, t_signal **sp) {
    x->sr = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    xmod_class = vesh::new_class<t_xmod>(VESH_CLASS_NAME, xmod_new, xmod_free);
    VESH_MAIN_SIGNAL_INLET(xmod_class, t_xmod, frequency1);
    vesh::add_block_dsp<xmod_block, xmod_prepare>(xmod_class);
    vesh::add_method(xmod_class, "pm", xmod_pm);
    vesh::add_method(xmod_class, "fm", xmod_fm);
}
