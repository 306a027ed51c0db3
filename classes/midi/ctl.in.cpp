// ctl.in: parses control changes out of a raw MIDI byte stream. Sends the
// channel (omni only), the controller number and then the value, right to left.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_ctlin {
    t_object x_obj;
    bool omni;
    midi::wide channel;  // 1..16, or 0 for omni
    t_float channel_in;  // the channel inlet
    int controller;
    bool have_controller;
    bool in_control_change;
    int message_channel;  // 1..16
    t_outlet *controller_out;
    t_outlet *channel_out;
};

t_class *ctlin_class;

t_ctlin *ctlin_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    if (!midi::channel_args(argc, argv, {}, arg, given)) {
        return vesh::improper_args<t_ctlin>("[ctlin]: improper args");
    }
    const midi::wide ch = midi::parser_channel(arg);

    auto *x = vesh::new_object<t_ctlin>(ctlin_class);
    x->channel = ch;
    x->omni = ch == 0;
    x->channel_in = static_cast<t_float>(ch);
    x->message_channel = 1;
    vesh::float_inlet(&x->x_obj, &x->channel_in);
    outlet_new(&x->x_obj, &s_float);
    x->controller_out = outlet_new(&x->x_obj, &s_float);
    x->channel_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void ctlin_float(t_ctlin *x, t_floatarg f) {
    if (!midi::byte_range(f)) {
        x->in_control_change = false;
        return;
    }
    midi::follow_channel_inlet(x->channel_in, x->channel, x->omni);
    const int byte = midi::low_byte(f);

    if (midi::is_status(byte)) {
        x->have_controller = false;
        x->in_control_change = midi::kind_of(byte) == midi::control_change;
        if (x->in_control_change) x->message_channel = midi::channel_of(byte);
        return;
    }
    if (!x->in_control_change) {
        x->have_controller = false;
        return;
    }
    if (!x->omni && x->message_channel != x->channel) return;
    if (!x->have_controller) {
        x->controller = byte;
        x->have_controller = true;
        return;
    }
    // One control change per status byte: a further pair of data bytes
    // without a new status is not read.
    x->have_controller = false;
    x->in_control_change = false;
    if (x->omni) midi::send_byte(x->channel_out, x->message_channel);
    midi::send_byte(x->controller_out, x->controller);
    midi::send_byte(x->x_obj.ob_outlet, byte);
}

}  // namespace

VESH_SETUP {
    ctlin_class = vesh::new_class<t_ctlin>(VESH_CLASS_NAME, ctlin_new, nullptr);
    vesh::add_float(ctlin_class, ctlin_float);
}
