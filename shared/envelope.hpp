// Status reports of the gated envelope generators, sent through the host;
// the arithmetic is in envelope_kernel.hpp.
#pragma once

#include <m_pd.h>

#include "envelope_kernel.hpp"

namespace vesh::envelope {

// Status reports (1 at an onset, 0 when a release ends) found while a block
// is computed. They cannot be sent from inside the signal tick, where a
// receiver could change the signal graph, so they wait for a clock set to
// 0 ms. Onsets only happen while idle and ends only while active, so the
// reports of a block alternate: the first value and a count describe them.
struct Status {
    t_outlet *outlet;
    t_clock *clock;
    int first;
    int pending;

    // From the perform routine.
    void push(int value) {
        if (pending++ == 0) first = value;
    }
    void arm() {
        if (pending) clock_delay(clock, 0);
    }
    // Sends what is waiting, in order. Cleared first: a receiver may answer
    // with a new gate, which sends again.
    void flush() {
        clock_unset(clock);
        const int count = pending;
        int value = first;
        pending = 0;
        for (int k = 0; k < count; k++, value = !value) outlet_float(outlet, value);
    }
    // From a message: what the signal stream reported comes first.
    void send_now(int value) {
        if (pending) flush();
        outlet_float(outlet, value);
    }
};

// The outlets of an envelope class: the signal, then the status floats,
// which its record's `status` sends from a clock.
template <typename Object>
void status_tick(Object *x) {
    x->status.flush();
}

template <typename Object>
void make_outlets(Object *x) {
    outlet_new(&x->x_obj, &s_signal);
    x->status.outlet = outlet_new(&x->x_obj, &s_float);
    x->status.clock = clock_new(x, reinterpret_cast<t_method>(status_tick<Object>));
}

template <typename Object>
void free_status(Object *x) {
    clock_free(x->status.clock);
}

// "log": exponential segments with a non-zero argument, linear with 0.
template <typename Object>
void log_method(Object *x, t_floatarg f) {
    x->log_mode = (f != 0);
}

}  // namespace vesh::envelope
