// note.out: builds a note message as raw MIDI bytes: status, pitch, velocity.
// Without "-rel" every note is a note-on (velocity 0 ends a note); with "-rel"
// the note-on flag inlet picks note-on (non-zero) or note-off (0).
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_noteout {
    t_object x_obj;
    t_float velocity;
    t_float note_on;  // with "-rel" only
    t_float channel;
    bool rel;
};

t_class *noteout_class;

t_noteout *noteout_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool rel = false;
    if (!midi::channel_args(argc, argv, {{"-rel", &rel}}, arg, given)) {
        return vesh::improper_args<t_noteout>("[noteout]: improper args");
    }
    auto *x = vesh::new_object<t_noteout>(noteout_class);
    x->rel = rel;
    x->channel = midi::builder_channel(arg, given);
    vesh::float_inlet(&x->x_obj, &x->velocity);
    if (rel) vesh::float_inlet(&x->x_obj, &x->note_on);
    vesh::float_inlet(&x->x_obj, &x->channel);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void noteout_float(t_noteout *x, t_floatarg v) {
    const midi::wide pitch = vesh::wide_part(v);
    if (pitch < 0 || pitch > 127) return;
    midi::wide ch = vesh::wide_part(x->channel);
    ch = ch < 1 ? 1 : ch > 16 ? 16 : ch;
    midi::wide velocity = vesh::wide_part(x->velocity);
    velocity = velocity < 0 ? 0 : velocity > 127 ? 127 : velocity;
    const bool off = x->rel && vesh::wide_part(x->note_on) == 0;
    t_outlet *out = x->x_obj.ob_outlet;
    midi::send_byte(out, (off ? midi::note_off : midi::note_on) + ch - 1);
    midi::send_byte(out, pitch);
    midi::send_byte(out, velocity);
}

}  // namespace

VESH_SETUP {
    noteout_class = vesh::new_class<t_noteout>(VESH_CLASS_NAME, noteout_new, nullptr);
    vesh::add_float(noteout_class, noteout_float);
}
