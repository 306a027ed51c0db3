// The oscillator class shell: the record, inlets and outlet, creation
// arguments, the sync-float marker and the perform/dsp routines, all produced
// from a shape (phase_kernel.hpp says what a shape gives). A class file holds
// its shape and one line in its entry function:
//
//   struct SawShape : vesh::widthless_shape {
//       static float out(double phase, Width) { return 1.0 - 2.0 * phase; }
//   };
//   VESH_SETUP { vesh::oscillator_setup<SawShape>(); }
//
// Inlets: frequency (main, signal), [width,] sync, phase offset; outlets:
// [phase,] the wave. With nothing connected to the sync inlet, a float sent
// there sets the phase once, at the start of the next block (the NaN marker
// of magic.hpp tells whether a new float has arrived).
#pragma once

#include "args.hpp"
#include "magic.hpp"
#include "phase_kernel.hpp"
#include "vesh.hpp"

namespace vesh {

// ---- Records ------------------------------------------------------------

// Oscillator with frequency, [width,] sync and phase-offset inputs; the width
// inlet is null for a shape without one.
struct t_oscillator {
    t_object x_obj;
    double phase;        // cycles; in [0, 1) after each wrap
    double last_offset;  // phase-offset input at the previous sample
    t_float frequency;   // main-inlet scalar, Hz
    t_inlet *width_inlet;
    t_inlet *offset_inlet;
    t_inlet *sync_inlet;
    t_outlet *outlet;
    t_float sr;
    t_glist *canvas;
    t_float *sync_scalar;
    int sync_connected;
    // Impulse trains only:
    t_outlet *phase_outlet;  // the phase beside the impulses, or null
    t_sample previous;       // rectangular wave at the last sample (edge impulses)
    int forward;  // frequency >= 0 at the end of the last block (whole-cycle sync floats)
};

// Whether a shape adds a phase output.
template <typename Shape>
constexpr bool shows_phase() {
    if constexpr (impulse_train<Shape>) return Shape::shows_phase;
    return false;
}

// Reads a one-shot float from the sync scalar. Returns false when none has
// arrived since the last block; otherwise consumes it and gives its value
// wrapped into [0, 1). An infinite float is consumed and ignored.
inline bool take_sync_float(t_float *scalar, double &value) {
    if (magic_isnan(*scalar)) return false;
    const double v = *scalar;
    magic_setnan(scalar);
    return sync_phase(v, value);
}

// ---- Perform routine --------------------------------------------------------

// Words: object, n, frequency, [width,] sync, phase offset, [phase,] output.
template <typename Shape, sync_input Sync>
t_int *oscillator_perform(t_int *w) {
    constexpr int inputs = Shape::has_width ? 4 : 3;
    constexpr int outputs = shows_phase<Shape>() ? 2 : 1;
    constexpr int last_word = 2 + inputs + outputs;
    auto *x = word<t_oscillator *>(w, 1);
    const phase_block_io io = {word<int>(w, 2),
                               word<t_sample *>(w, 3),
                               word<t_sample *>(w, inputs),  // unused without a width
                               word<t_sample *>(w, 1 + inputs),
                               word<t_sample *>(w, 2 + inputs),
                               word<t_sample *>(w, last_word),
                               word<t_sample *>(w, 3 + inputs)};  // unused without a phase
    if (io.n <= 0) return w + last_word + 1;

    double phase = x->phase;
    if constexpr (Sync == sync_input::scalar) {
        double v;
        if (take_sync_float(x->sync_scalar, v)) {
            phase = impulse_train<Shape> ? impulse_sync_phase(v, x->forward) : v;
        }
    }
    double last = x->last_offset;
    const double inv_sr = 1.0 / static_cast<double>(x->sr);
    if constexpr (impulse_train<Shape>) {
        // Read before the outputs, which may share the input's memory.
        const bool forward = io.frequency[io.n - 1] >= 0;
        phase = impulse_block<Shape, Sync>(phase, last, inv_sr, io);
        if constexpr (Sync == sync_input::scalar) x->forward = forward;
    } else if constexpr (edge_placing<Shape>) {
        sample previous = x->previous;
        phase = edge_block<Shape, Sync>(phase, last, previous, inv_sr, io);
        x->previous = previous;
    } else {
        phase = phase_block<Shape, Sync>(phase, last, inv_sr, io);
    }
    x->phase = phase;
    x->last_offset = last;
    return w + last_word + 1;
}

// ---- Creation, dsp, free ----------------------------------------------------

// Makes the inlets and outlet. The sync scalar starts at 0, so the first
// block after creation sets the phase to 0 once.
template <typename Shape>
t_oscillator *oscillator_new(t_class *c, t_float frequency, t_float offset, t_float width) {
    auto *x = new_object<t_oscillator>(c);
    x->phase = 0;
    x->last_offset = 0;
    x->frequency = frequency;
    int sync_number = 1;
    if constexpr (Shape::has_width) {
        x->width_inlet = signal_inlet(&x->x_obj, width);
        sync_number = 2;
    }
    x->sync_inlet = signal_inlet(&x->x_obj, 0);
    x->offset_inlet = signal_inlet(&x->x_obj, offset);
    if constexpr (shows_phase<Shape>()) x->phase_outlet = outlet_new(&x->x_obj, &s_signal);
    x->outlet = outlet_new(&x->x_obj, &s_signal);
    x->sr = sys_getsr();
    x->canvas = canvas_getcurrent();
    x->sync_scalar = obj_findsignalscalar(&x->x_obj, sync_number);
    return x;
}

inline void oscillator_free(t_oscillator *x) {
    if (x->width_inlet) inlet_free(x->width_inlet);
    inlet_free(x->sync_inlet);
    inlet_free(x->offset_inlet);
    if (x->phase_outlet) outlet_free(x->phase_outlet);
    outlet_free(x->outlet);
}

// Picks the routine for whether a signal reaches the sync inlet.
template <typename Shape>
void oscillator_dsp(t_oscillator *x, t_signal **sp) {
    constexpr int sync_inlet = Shape::has_width ? 2 : 1;
    x->sr = sp[0]->s_sr;
    x->sync_connected = magic_inlet_connection(&x->x_obj, x->canvas, sync_inlet, &s_signal);
    const t_perfroutine routine = x->sync_connected ? oscillator_perform<Shape, sync_input::signal>
                                                    : oscillator_perform<Shape, sync_input::scalar>;
    if constexpr (Shape::has_width || shows_phase<Shape>()) {
        add_perform(routine, x, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec, sp[3]->s_vec,
                    sp[4]->s_vec);
    } else {
        add_perform(routine, x, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec, sp[3]->s_vec);
    }
}

// A shape may check its creation arguments:
//   static void check_args(t_float &width, t_float &offset);
template <typename Shape>
concept checks_args = requires(t_float &width, t_float &offset) {
    Shape::check_args(width, offset);
};

template <typename Shape>
inline t_class *oscillator_class;

// Creation arguments, taken only while the list starts with a float:
// frequency, then the phase offset; a shape with a width reads frequency,
// width (default Shape::default_width, else 0), phase offset.
template <typename Shape>
t_oscillator *oscillator_creator(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, width = 0, offset = 0;
    if constexpr (Shape::has_width) {
        if constexpr (requires { Shape::default_width; }) width = Shape::default_width;
        read_leading_floats(argc, argv, {&frequency, &width, &offset});
    } else {
        read_leading_floats(argc, argv, {&frequency, &offset});
    }
    if constexpr (checks_args<Shape>) Shape::check_args(width, offset);
    t_oscillator *x = oscillator_new<Shape>(oscillator_class<Shape>, frequency, offset, width);
    if constexpr (impulse_train<Shape> || edge_impulses<Shape>) {
        // A train that starts forwards without an offset fires on its first
        // sample, sync signal or not.
        x->forward = frequency >= 0;
        const bool fires = impulse_train<Shape> ? frequency >= 0 : frequency > 0;
        if (fires && offset == 0) x->phase = 1;
    }
    return x;
}

// The whole class: registration, main signal inlet, dsp.
template <typename Shape>
t_class *oscillator_setup() {
    t_class *c =
        new_class<t_oscillator>(VESH_CLASS_NAME, oscillator_creator<Shape>, oscillator_free);
    VESH_MAIN_SIGNAL_INLET(c, t_oscillator, frequency);
    add_dsp(c, oscillator_dsp<Shape>);
    oscillator_class<Shape> = c;
    return c;
}

}  // namespace vesh
