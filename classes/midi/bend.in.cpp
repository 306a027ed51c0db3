// bend.in: parses pitch bends out of a raw MIDI byte stream. Sends the channel
// (omni only), then the bend: -1..1 with 0 at the centre, or with "-raw" the
// 14-bit value 0..16383.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_bendin {
    t_object x_obj;
    bool omni;
    bool raw;
    midi::wide last_taken;  // channel last taken from the inlet
    t_float channel_in;
    midi::running_status run;  // first byte the LSB
    midi::wide selected;       // channel - 1; kept wide so that no channel wraps into 1..16
    t_outlet *channel_out;
};

t_class *bendin_class;

t_bendin *bendin_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool raw = false;
    if (!midi::channel_args(argc, argv, {{"-raw", &raw}}, arg, given)) {
        return vesh::improper_args<t_bendin>("[bendin]: improper args");
    }
    const midi::wide ch = vesh::wide_part(arg);

    auto *x = vesh::new_object<t_bendin>(bendin_class);
    x->raw = raw;
    x->omni = ch == 0;
    x->selected = ch == 0 ? 0 : ch - 1;
    // The channel inlet and the channel last taken from it start at 0 whatever
    // the argument: only a change of the inlet's value is taken.
    vesh::float_inlet(&x->x_obj, &x->channel_in);
    outlet_new(&x->x_obj, &s_float);
    x->channel_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void bendin_float(t_bendin *x, t_floatarg f) {
    if (!(f >= 0)) return;  // negative (or NaN): no state change
    midi::follow_channel_inlet(x->channel_in, x->last_taken, x->selected, x->omni);
    if (f >= 256) {
        x->run.close();
        return;
    }
    const int byte = static_cast<int>(f);

    if (midi::is_status(byte)) {
        x->run.open(byte, midi::kind_of(byte) == midi::pitch_bend, x->omni, x->selected);
        return;
    }
    if (!x->run.complete(byte)) return;
    // The MSB. The bend stays active: further pairs are further bends.
    const int v = byte * 128 + x->run.first;
    if (x->omni) midi::send_byte(x->channel_out, x->selected + 1);
    if (x->raw) {
        midi::send_byte(x->x_obj.ob_outlet, v);
        return;
    }
    constexpr float step = 0.00012208521366119385f;  // 1/8191 in single precision
    float bend = static_cast<float>(v - 8192) * step;
    if (bend < -1.0f) bend = -1.0f;
    outlet_float(x->x_obj.ob_outlet, bend);
}

}  // namespace

VESH_SETUP {
    bendin_class = vesh::new_class<t_bendin>(VESH_CLASS_NAME, bendin_new, nullptr);
    vesh::add_float(bendin_class, bendin_float);
}
