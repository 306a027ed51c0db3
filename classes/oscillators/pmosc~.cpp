// pmosc~: two-operator phase modulation: a sine modulator, scaled by the
// index (in cycles), added to the phase of a sine carrier.
#include "cycle_sine.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

constexpr double two_pi = 6.283185307179586;

struct t_pmosc {
    t_object x_obj;
    double carrier_phase;    // cycles
    double modulator_phase;  // cycles
    t_float carrier;         // main-inlet scalar, Hz
    t_inlet *modulator_inlet;
    t_inlet *index_inlet;
    t_inlet *offset_inlet;
    t_outlet *outlet;
    t_float sr;
};

t_class *pmosc_class;

// Up to four floats (carrier, modulator, index, phase offset); reading stops
// at the first other atom.
t_pmosc *pmosc_new(t_symbol *, int argc, t_atom *argv) {
    int floats = 0;
    while (floats < argc && argv[floats].a_type == A_FLOAT) floats++;
    t_float carrier = 0, modulator = 0, index = 0, offset = 0;
    vesh::read_floats(floats, argv, {&carrier, &modulator, &index, &offset});
    auto *x = vesh::new_object<t_pmosc>(pmosc_class);
    x->carrier = carrier;
    x->modulator_inlet = vesh::signal_inlet(&x->x_obj, modulator);
    x->index_inlet = vesh::signal_inlet(&x->x_obj, index);
    x->offset_inlet = vesh::signal_inlet(&x->x_obj, offset);
    x->outlet = outlet_new(&x->x_obj, &s_signal);
    x->sr = sys_getsr();
    return x;
}

void pmosc_free(t_pmosc *x) {
    inlet_free(x->modulator_inlet);
    inlet_free(x->index_inlet);
    inlet_free(x->offset_inlet);
    outlet_free(x->outlet);
}

// Whole cycles dropped; a phase that an infinite or NaN frequency reached
// starts again from 0.
double wrapped(double phase) {
    return std::isfinite(phase) ? std::fmod(phase, 1.0) : 0.0;
}

// The modulator's sine in double precision times the index, narrowed; then
// the carrier's sine at its phase plus that, narrowed. The phases advance by
// frequency times 1/sr, each product in the sample type.
void pmosc_block(t_pmosc *x, int n, const t_sample *carrier, const t_sample *modulator,
                 const t_sample *index, const t_sample *offset, t_sample *out) {
    constexpr int run = 64;
    const t_sample inv_sr = t_sample(1) / static_cast<t_sample>(x->sr);
    double carrier_phase = x->carrier_phase;
    double modulator_phase = x->modulator_phase;
    // A run's inputs are all read before its outputs are written: the output
    // may share memory with any input.
    double modulator_turns[run], carrier_turns[run];
    t_sample indices[run], shifts[run];
    for (int start = 0; start < n; start += run) {
        const int m = n - start < run ? n - start : run;
        for (int j = 0; j < m; j++) {
            const int i = start + j;
            modulator_turns[j] = static_cast<double>(offset[i]) + modulator_phase;
            carrier_turns[j] = carrier_phase;
            indices[j] = index[i];
            carrier_phase += static_cast<double>(carrier[i] * inv_sr);
            modulator_phase += static_cast<double>(modulator[i] * inv_sr);
        }
        vesh::any_turn_sines_times_narrowed(modulator_turns, two_pi, indices, m, shifts);
        for (int j = 0; j < m; j++) carrier_turns[j] += static_cast<double>(shifts[j]);
        vesh::any_turn_sines_narrowed(carrier_turns, two_pi, m, out + start);
    }
    x->carrier_phase = wrapped(carrier_phase);
    x->modulator_phase = wrapped(modulator_phase);
}

void pmosc_prepare(t_pmosc *x, t_signal **sp) {
    x->sr = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    pmosc_class = vesh::new_class<t_pmosc>(VESH_CLASS_NAME, pmosc_new, pmosc_free);
    VESH_MAIN_SIGNAL_INLET(pmosc_class, t_pmosc, carrier);
    vesh::add_block_dsp<pmosc_block, pmosc_prepare>(pmosc_class);
}
