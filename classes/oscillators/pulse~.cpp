// pulse~: rectangular wave between 1 and 0, high for the width fraction of each
// cycle.
#include "phase.hpp"

namespace {

using t_pulse = vesh::t_width_oscillator;

t_class *pulse_class;

struct PulseShape {
    using Object = t_pulse;
    static constexpr t_sample high = 1;
    static constexpr t_sample low = 0;
};

t_int *pulse_perform(t_int *w) {
    return vesh::edge_perform<PulseShape, true>(w);
}
t_int *pulse_perform_magic(t_int *w) {
    return vesh::edge_perform<PulseShape, false>(w);
}

t_pulse *pulse_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_pulse>(pulse_class, vesh::float_arg(argc, argv, 0, 0),
                                         vesh::float_arg(argc, argv, 2, 0),
                                         vesh::float_arg(argc, argv, 1, 0.5f));
}

void pulse_free(t_pulse *x) {
    vesh::oscillator_free(x);
}

void pulse_dsp(t_pulse *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, pulse_perform, pulse_perform_magic);
}

}  // namespace

VESH_SETUP {
    pulse_class = vesh::new_class<t_pulse>(VESH_CLASS_NAME, pulse_new, pulse_free);
    VESH_MAIN_SIGNAL_INLET(pulse_class, t_pulse, frequency);
    vesh::add_dsp(pulse_class, pulse_dsp);
}
