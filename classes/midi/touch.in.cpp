// touch.in: parses channel aftertouch out of a raw MIDI byte stream, or with
// "-poly" polyphonic aftertouch (key and value). Sends the channel (omni
// only, at every accepted data byte), the key (with "-poly"), then the value.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_touchin {
    t_object x_obj;
    bool omni;
    bool poly;
    midi::wide channel;  // 1..16, or 0 for omni
    t_float channel_in;
    int key;
    bool have_key;
    bool active;
    int message_channel;  // 1..16
    t_outlet *key_out;    // with "-poly" only
    t_outlet *channel_out;
};

t_class *touchin_class;

t_touchin *touchin_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool poly = false;
    if (!midi::channel_args(argc, argv, {{"-poly", &poly}}, arg, given)) {
        return vesh::improper_args<t_touchin>("[touchin]: improper args");
    }
    const midi::wide ch = midi::parser_channel(arg);

    auto *x = vesh::new_object<t_touchin>(touchin_class);
    x->poly = poly;
    x->channel = ch;
    x->omni = ch == 0;
    x->channel_in = static_cast<t_float>(ch);
    x->message_channel = 1;
    vesh::float_inlet(&x->x_obj, &x->channel_in);
    outlet_new(&x->x_obj, &s_float);
    if (poly) x->key_out = outlet_new(&x->x_obj, &s_float);
    x->channel_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void touchin_float(t_touchin *x, t_floatarg f) {
    if (!midi::byte_range(f)) {
        x->active = false;
        return;
    }
    midi::follow_channel_inlet(x->channel_in, x->channel, x->omni);
    const int byte = midi::low_byte(f);

    if (midi::is_status(byte)) {
        x->have_key = false;
        const int kind = midi::kind_of(byte);
        x->active = kind == midi::channel_touch || (x->poly && kind == midi::poly_touch);
        if (x->active) x->message_channel = midi::channel_of(byte);
        return;
    }
    if (!x->active) {
        x->have_key = false;
        return;
    }
    if (x->omni) {
        midi::send_byte(x->channel_out, x->message_channel);
    } else if (x->message_channel != x->channel) {
        return;
    }
    if (!x->poly) {
        midi::send_byte(x->x_obj.ob_outlet, byte);  // running status: stays active
        return;
    }
    if (!x->have_key) {
        x->key = byte;
        x->have_key = true;
        return;
    }
    // One key/value pair per status byte.
    x->have_key = false;
    x->active = false;
    midi::send_byte(x->key_out, x->key);
    midi::send_byte(x->x_obj.ob_outlet, byte);
}

}  // namespace

VESH_SETUP {
    touchin_class = vesh::new_class<t_touchin>(VESH_CLASS_NAME, touchin_new, nullptr);
    vesh::add_float(touchin_class, touchin_float);
}
