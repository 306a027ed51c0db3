// note.in: parses note-ons and note-offs out of a raw MIDI byte stream. Sends
// the channel (omni only), the note-on flag and the velocity as received
// (with "-rel"), or else the velocity (0 for a note-off), then the pitch.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_notein {
    t_object x_obj;
    bool omni;
    bool rel;
    midi::wide last_taken;  // channel last taken from the inlet
    t_float channel_in;
    midi::running_status run;  // note_off, note_on, or closed; first byte the pitch
    midi::wide selected;       // channel - 1; kept wide so that no channel wraps into 1..16
    t_outlet *velocity_out;
    t_outlet *flag_out;  // with "-rel" only
    t_outlet *channel_out;
};

t_class *notein_class;

t_notein *notein_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool rel = false;
    if (!midi::channel_args(argc, argv, {{"-rel", &rel}}, arg, given)) {
        return vesh::improper_args<t_notein>("[notein]: improper args");
    }
    const midi::wide ch = vesh::wide_part(arg);

    auto *x = vesh::new_object<t_notein>(notein_class);
    x->rel = rel;
    x->omni = ch == 0;
    x->selected = ch == 0 ? 0 : ch - 1;
    // The channel inlet and the channel last taken from it start at 0 whatever
    // the argument: only a change of the inlet's value is taken.
    vesh::float_inlet(&x->x_obj, &x->channel_in);
    outlet_new(&x->x_obj, &s_float);
    x->velocity_out = outlet_new(&x->x_obj, &s_float);
    if (rel) x->flag_out = outlet_new(&x->x_obj, &s_float);
    x->channel_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void notein_float(t_notein *x, t_floatarg f) {
    const midi::wide value = vesh::wide_part(f);
    if (value < 0) return;
    midi::follow_channel_inlet(x->channel_in, x->last_taken, x->selected, x->omni);
    if (value > 255) {
        x->run.close();
        return;
    }
    const int byte = static_cast<int>(value);

    if (midi::is_status(byte)) {
        const int kind = midi::kind_of(byte);
        x->run.open(byte, kind == midi::note_off || kind == midi::note_on, x->omni, x->selected);
        return;
    }
    if (!x->run.complete(byte)) return;
    // The velocity. The status stays: further pairs are further notes.
    const bool on = x->run.kind == midi::note_on;
    if (x->omni) midi::send_byte(x->channel_out, x->selected + 1);
    if (x->rel) {
        midi::send_byte(x->flag_out, on ? 1 : 0);
        midi::send_byte(x->velocity_out, byte);
    } else {
        midi::send_byte(x->velocity_out, on ? byte : 0);
    }
    midi::send_byte(x->x_obj.ob_outlet, x->run.first);
}

}  // namespace

VESH_SETUP {
    notein_class = vesh::new_class<t_notein>(VESH_CLASS_NAME, notein_new, nullptr);
    vesh::add_float(notein_class, notein_float);
}
