// pgm.in: parses program changes out of a raw MIDI byte stream. Sends the
// channel (omni only), then the program 0..127.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_pgmin {
    t_object x_obj;
    bool omni;
    midi::wide channel;  // 1..16, or 0 for omni
    t_float channel_in;
    bool in_program_change;
    int message_channel;  // 1..16
    t_outlet *channel_out;
};

t_class *pgmin_class;

t_pgmin *pgmin_new(t_floatarg arg) {
    const midi::wide ch = midi::parser_channel(arg);

    auto *x = vesh::new_object<t_pgmin>(pgmin_class);
    x->channel = ch;
    x->omni = ch == 0;
    x->channel_in = static_cast<t_float>(ch);
    x->message_channel = 1;
    vesh::float_inlet(&x->x_obj, &x->channel_in);
    outlet_new(&x->x_obj, &s_float);
    x->channel_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void pgmin_float(t_pgmin *x, t_floatarg f) {
    if (!midi::byte_range(f)) {
        x->in_program_change = false;
        return;
    }
    midi::follow_channel_inlet(x->channel_in, x->channel, x->omni);
    const int byte = midi::low_byte(f);

    if (midi::is_status(byte)) {
        x->in_program_change = midi::kind_of(byte) == midi::program_change;
        if (x->in_program_change) x->message_channel = midi::channel_of(byte);
        return;
    }
    // One program per status byte, whether or not its channel is ours.
    if (!x->in_program_change) return;
    x->in_program_change = false;
    if (x->omni) {
        midi::send_byte(x->channel_out, x->message_channel);
        midi::send_byte(x->x_obj.ob_outlet, byte);
    } else if (x->message_channel == x->channel) {
        midi::send_byte(x->x_obj.ob_outlet, byte);
    }
}

}  // namespace

VESH_SETUP {
    pgmin_class = vesh::new_class<t_pgmin>(VESH_CLASS_NAME, pgmin_new, nullptr);
    vesh::add_float(pgmin_class, pgmin_float);
}
