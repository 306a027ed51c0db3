// pgm.out: builds a program change as raw MIDI bytes: status, program.
#include "midi_bytes.hpp"
#include "vesh.hpp"

namespace {

namespace midi = vesh::midi;

struct t_pgmout {
    t_object x_obj;
    t_float channel;
};

t_class *pgmout_class;

t_pgmout *pgmout_new(t_symbol *, int argc, t_atom *argv) {
    t_float arg = 0;
    bool given = false;
    if (!midi::channel_args(argc, argv, {}, arg, given)) {
        return vesh::improper_args<t_pgmout>("[pgmout]: improper args");
    }
    auto *x = vesh::new_object<t_pgmout>(pgmout_class);
    x->channel = midi::builder_channel(arg, given);
    vesh::float_inlet(&x->x_obj, &x->channel);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void pgmout_float(t_pgmout *x, t_floatarg v) {
    if (!(v >= 0 && v <= 127)) return;
    t_outlet *out = x->x_obj.ob_outlet;
    midi::send_byte(out, midi::status_for(midi::program_change, x->channel));
    midi::send_byte(out, vesh::wide_part(v));
}

}  // namespace

VESH_SETUP {
    pgmout_class = vesh::new_class<t_pgmout>(VESH_CLASS_NAME, pgmout_new, nullptr);
    vesh::add_float(pgmout_class, pgmout_float);
}
