// square~: rectangular wave between +1 and -1, high for the width fraction of
// each cycle.
#include "phase.hpp"

namespace {

using t_square = vesh::t_width_oscillator;

t_class *square_class;

struct SquareShape {
    using Object = t_square;
    static constexpr t_sample high = 1;
    static constexpr t_sample low = -1;
};

t_int *square_perform(t_int *w) {
    return vesh::edge_perform<SquareShape, true>(w);
}
t_int *square_perform_magic(t_int *w) {
    return vesh::edge_perform<SquareShape, false>(w);
}

t_square *square_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_square>(square_class, vesh::float_arg(argc, argv, 0, 0),
                                          vesh::float_arg(argc, argv, 2, 0),
                                          vesh::float_arg(argc, argv, 1, 0.5f));
}

void square_free(t_square *x) {
    vesh::oscillator_free(x);
}

void square_dsp(t_square *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, square_perform, square_perform_magic);
}

}  // namespace

VESH_SETUP {
    square_class = vesh::new_class<t_square>(VESH_CLASS_NAME, square_new, square_free);
    VESH_MAIN_SIGNAL_INLET(square_class, t_square, frequency);
    vesh::add_dsp(square_class, square_dsp);
}
