// ctl.out: builds a control change as raw MIDI bytes: status, controller
// number, value, one float each.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_ctlout {
    t_object x_obj;
    t_float controller;
    t_float channel;
};

t_class *ctlout_class;

t_ctlout *ctlout_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    if (!midi::channel_args(argc, argv, {}, arg, given)) {
        return vesh::improper_args<t_ctlout>("[ctlout]: improper args");
    }
    auto *x = vesh::new_object<t_ctlout>(ctlout_class);
    x->channel = midi::builder_channel(arg, given);
    vesh::float_inlet(&x->x_obj, &x->controller);
    vesh::float_inlet(&x->x_obj, &x->channel);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void ctlout_float(t_ctlout *x, t_floatarg v) {
    if (!(v >= 0 && v <= 127 && x->controller >= 0 && x->controller <= 127)) return;
    t_outlet *out = x->x_obj.ob_outlet;
    midi::send_byte(out, midi::status_for(midi::control_change, x->channel));
    midi::send_byte(out, vesh::wide_part(x->controller));
    midi::send_byte(out, vesh::wide_part(v));
}

}  // namespace

VESH_SETUP {
    ctlout_class = vesh::new_class<t_ctlout>(VESH_CLASS_NAME, ctlout_new, nullptr);
    vesh::add_float(ctlout_class, ctlout_float);
}
