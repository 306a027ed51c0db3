// touch.out: builds channel aftertouch as raw MIDI bytes (status, value), or
// with "-poly" polyphonic aftertouch (status, key, value).
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_touchout {
    t_object x_obj;
    t_float key;
    t_float channel;
    bool poly;
};

t_class *touchout_class;

t_touchout *touchout_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    bool poly = false;
    if (!midi::channel_args(argc, argv, {{"-poly", &poly}}, arg, given)) {
        return vesh::improper_args<t_touchout>("[touchout]: improper args");
    }
    auto *x = vesh::new_object<t_touchout>(touchout_class);
    x->poly = poly;
    x->channel = midi::builder_channel(arg, given);
    if (poly) vesh::float_inlet(&x->x_obj, &x->key);
    vesh::float_inlet(&x->x_obj, &x->channel);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void touchout_float(t_touchout *x, t_floatarg v) {
    if (!(v >= 0 && v <= 127)) return;
    if (x->poly && !(x->key >= 0 && x->key <= 127)) return;
    t_outlet *out = x->x_obj.ob_outlet;
    const int kind = x->poly ? midi::poly_touch : midi::channel_touch;
    midi::send_byte(out, midi::status_for(kind, x->channel));
    if (x->poly) midi::send_byte(out, vesh::wide_part(x->key));
    midi::send_byte(out, vesh::wide_part(v));
}

}  // namespace

VESH_SETUP {
    touchout_class = vesh::new_class<t_touchout>(VESH_CLASS_NAME, touchout_new, nullptr);
    vesh::add_float(touchout_class, touchout_float);
}
