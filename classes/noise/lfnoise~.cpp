// lfnoise~: random values in [-1, 1] drawn at a rate in Hz, held as steps or joined by ramps, with
// a sync input.
#include "random_line.hpp"

namespace {

using vesh::noise_line::t_line;

// Frequency, ramps (non-zero integer part) and seed, floats only.
t_line *lfnoise_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, ramps = 0, seed = 0;
    if (!vesh::read_floats<t_float>(argc, argv, {&frequency, &ramps, &seed}))
        return vesh::improper_args<t_line>("lfnoise~: arguments needs to only contain floats");
    auto *x = vesh::noise_line::make(frequency, vesh::int_part(ramps) != 0, argc >= 3, seed);
    vesh::signal_inlet(&x->x_obj, 0);  // sync
    return x;
}

void lfnoise_interp(t_line *x, t_floatarg f) {
    x->ramps = vesh::int_part(f) != 0;
}

}  // namespace

VESH_SETUP {
    t_class *c = vesh::noise_line::setup<lfnoise_new, vesh::noise_line::synced_block>();
    vesh::add_method_defaults(c, "interp", lfnoise_interp);
}
