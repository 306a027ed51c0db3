// bend.out: builds a pitch bend as raw MIDI bytes: status, LSB, MSB. Takes
// -1..1 (0 is the centre), or with "-raw" the 14-bit value 0..16383.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_bendout {
    t_object x_obj;
    t_float channel;
    bool raw;
};

t_class *bendout_class;

t_bendout *bendout_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool raw = false;
    if (!midi::channel_args(argc, argv, {{"-raw", &raw}}, arg, given)) {
        return vesh::improper_args<t_bendout>("[bendout]: improper args");
    }
    auto *x = vesh::new_object<t_bendout>(bendout_class);
    x->raw = raw;
    x->channel = midi::builder_channel(arg, given);
    vesh::float_inlet(&x->x_obj, &x->channel);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void bendout_float(t_bendout *x, t_floatarg v) {
    if (!(v == v)) return;  // NaN is no bend
    midi::wide b;
    if (x->raw) {
        b = vesh::wide_part(v);
    } else {
        const float scaled = v * 8191.0f;
        b = vesh::wide_part(scaled) + 8192;
    }
    if (b < 0 || b > 16383) return;
    t_outlet *out = x->x_obj.ob_outlet;
    midi::send_byte(out, midi::status_for(midi::pitch_bend, x->channel));
    midi::send_byte(out, b & 127);
    midi::send_byte(out, b >> 7);
}

}  // namespace

VESH_SETUP {
    bendout_class = vesh::new_class<t_bendout>(VESH_CLASS_NAME, bendout_new, nullptr);
    vesh::add_float(bendout_class, bendout_float);
}
