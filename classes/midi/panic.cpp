// panic: passes a raw MIDI byte stream through while counting the notes that
// sound on each channel and pitch. A bang ends every sounding note with as
// many note-ons of velocity 0 as it counted; "clear" forgets the counts.
//
// Counts are 8 bits wide and saturate: a note-off for a note that is not
// sounding leaves its count at 0 (it never wraps to 255, which would make the
// next bang send a flood of note-offs), and note-ons beyond the 255th of one
// note are not counted (a bang still sends 255 note-offs for it, and a single
// note-off is enough to stop a receiver that does not stack notes).
#include "midi_bytes.hpp"
#include "vesh.hpp"

#include <cstdint>
#include <cstring>

namespace {

namespace midi = vesh::midi;

constexpr int no_pitch = 255;

struct t_panic {
    t_object x_obj;
    std::uint8_t counts[16][128];  // channel major
    int status;                    // note_off, note_on, or 0 outside a note message
    int channel;                   // 0..15
    int pending_pitch;             // no_pitch when none
};

t_class *panic_class;

t_panic *panic_new() {
    auto *x = vesh::new_object<t_panic>(panic_class);
    x->pending_pitch = no_pitch;
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void panic_float(t_panic *x, t_floatarg f) {
    const midi::wide value = vesh::wide_part(f);
    if (value < 0 || value > 255) {
        x->pending_pitch = no_pitch;
        return;
    }
    const int byte = static_cast<int>(value);
    midi::send_byte(x->x_obj.ob_outlet, byte);

    if (midi::is_status(byte)) {
        x->status = midi::kind_of(byte);
        if (x->status == midi::note_off || x->status == midi::note_on) {
            x->channel = midi::index_of(byte);
        } else {
            x->status = 0;
        }
        x->pending_pitch = no_pitch;
        return;
    }
    if (x->status == 0) {
        x->pending_pitch = no_pitch;
    } else if (x->pending_pitch == no_pitch) {
        x->pending_pitch = byte;
    } else {
        std::uint8_t &count = x->counts[x->channel][x->pending_pitch];
        if (x->status == midi::note_on && byte != 0) {
            if (count < 255) count++;
        } else if (count > 0) {
            count--;
        }
        x->pending_pitch = no_pitch;
    }
}

void panic_bang(t_panic *x) {
    t_outlet *out = x->x_obj.ob_outlet;
    for (int channel = 0; channel < 16; channel++) {
        for (int pitch = 0; pitch < 128; pitch++) {
            // Lowered before sending, so that output fed back into this
            // object cannot make the loop run on.
            while (x->counts[channel][pitch] > 0) {
                x->counts[channel][pitch]--;
                midi::send_byte(out, midi::note_on + channel);
                midi::send_byte(out, pitch);
                midi::send_byte(out, 0);
            }
        }
    }
}

void panic_clear(t_panic *x) {
    std::memset(x->counts, 0, sizeof x->counts);
}

}  // namespace

VESH_SETUP {
    panic_class = vesh::new_class<t_panic>(VESH_CLASS_NAME, panic_new, nullptr);
    vesh::add_float(panic_class, panic_float);
    vesh::add_bang(panic_class, panic_bang);
    vesh::add_method(panic_class, "clear", panic_clear);
}
