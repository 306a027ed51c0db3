// sequencer~: step sequencer. Holds a list of values and, at every trigger
// (a change of the input from 0 to non-zero, or a bang), outputs the next one
// as a signal, going back to the first after the last.
#include <cstddef>

#include "numbers.hpp"
#include "vesh.hpp"

namespace {

// Room for this many steps is made at creation; longer lists get a bigger
// table.
constexpr int initial_capacity = 4096;

struct t_sequencer {
    t_object x_obj;
    t_float previous;  // input sample before
    t_float value;     // the step being output
    int bang;          // a bang triggers the next sample
    int next;          // index of the next step, 0-based
    int count;
    int capacity;
    t_float *steps;
};

t_class *sequencer_class;

size_t table_bytes(int capacity) {
    return static_cast<size_t>(capacity) * sizeof(t_float);
}

// Makes room for `count` steps; false (the table left as it was) when the
// memory cannot be had.
bool reserve(t_sequencer *x, int count) {
    if (count <= x->capacity) return true;
    auto *steps = static_cast<t_float *>(getbytes(table_bytes(count)));
    if (!steps) return false;
    if (x->steps) freebytes(x->steps, table_bytes(x->capacity));
    x->steps = steps;
    x->capacity = count;
    return true;
}

// The steps from a list (an atom that is not a float reads as 0).
void fill(t_sequencer *x, int argc, const t_atom *argv) {
    for (int i = 0; i < argc; i++)
        x->steps[i] = argv[i].a_type == A_FLOAT ? argv[i].a_w.w_float : 0;
    x->count = argc;
}

void sequencer_free(t_sequencer *x) {
    if (x->steps) freebytes(x->steps, table_bytes(x->capacity));
}

t_sequencer *sequencer_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_sequencer>(sequencer_class);
    if (!reserve(x, argc > initial_capacity ? argc : initial_capacity)) {
        pd_error(nullptr, "sequencer~: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    if (argc > 0) {
        fill(x, argc, argv);
    } else {
        x->steps[0] = 0;
        x->count = 1;
    }
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// An empty list changes nothing; a list too long for the memory at hand is
// reported and the steps stay as they were.
void sequencer_set(t_sequencer *x, t_symbol *, int argc, t_atom *argv) {
    if (argc < 1) return;
    if (!reserve(x, argc)) {
        pd_error(x, "sequencer~: out of memory");
        return;
    }
    fill(x, argc, argv);
    x->next = 0;
}

// Step n, 1-based, comes next; numbers outside the table pick its ends.
void sequencer_goto(t_sequencer *x, t_floatarg n) {
    x->next = vesh::index_in(static_cast<double>(n) - 1, x->count);
}

void sequencer_bang(t_sequencer *x) {
    x->bang = 1;
}

void sequencer_block(t_sequencer *x, int n, const t_sample *in, t_sample *out) {
    const t_float *steps = x->steps;
    const int count = x->count;
    t_float previous = x->previous;
    t_float value = x->value;
    int next = x->next;
    int bang = x->bang;
    for (int i = 0; i < n; i++) {
        const t_sample v = in[i];
        if (bang || (v != 0 && previous == 0)) [[unlikely]] {
            if (next >= count) next = 0;
            value = steps[next++];
            bang = 0;
        }
        previous = v;
        out[i] = value;
    }
    x->previous = previous;
    x->value = value;
    x->next = next;
    x->bang = bang;
}

}  // namespace

VESH_SETUP {
    sequencer_class = vesh::new_class<t_sequencer>(VESH_CLASS_NAME, sequencer_new, sequencer_free);
    vesh::signal_only_left_inlet(sequencer_class);
    vesh::add_block_dsp<sequencer_block>(sequencer_class);
    vesh::add_bang(sequencer_class, sequencer_bang);
    vesh::add_method(sequencer_class, "set", sequencer_set);
    vesh::add_method(sequencer_class, "goto", sequencer_goto);
}
