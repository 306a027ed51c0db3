// Raw MIDI byte streams carried as floats, one byte per float: the byte
// classification, channel selection and argument reading that the parsers
// and builders of the midi/ classes share. Each class keeps its own state
// machine; only the pieces that would otherwise be copied eleven times live here.
#pragma once

#include <m_pd.h>

#include <cstdint>
#include <initializer_list>

#include "numbers.hpp"
#include "vesh.hpp"

namespace vesh::midi {

using wide = std::int64_t;

// A float is a candidate byte when it lies in 0..256 (256 is kept as a data
// byte 0 by the controller, program and aftertouch parsers).
inline bool byte_range(t_float f) {
    return f >= 0 && f <= 256;
}

// The byte of a float that passed byte_range: only the low 8 bits count.
inline int low_byte(t_float f) {
    return static_cast<int>(wide_part(f)) & 0xFF;
}

inline bool is_status(int byte) {
    return (byte & 0x80) != 0;
}
inline int kind_of(int byte) {
    return byte & 0xF0;
}  // 0x80, 0x90, ... 0xF0
inline int index_of(int byte) {
    return byte & 0x0F;
}  // channel - 1
inline int channel_of(int byte) {
    return (byte & 0x0F) + 1;
}

constexpr int note_off = 0x80;
constexpr int note_on = 0x90;
constexpr int poly_touch = 0xA0;
constexpr int control_change = 0xB0;
constexpr int program_change = 0xC0;
constexpr int channel_touch = 0xD0;
constexpr int pitch_bend = 0xE0;

// Channel argument of the controller, program and aftertouch parsers:
// clamped to 0..16, 0 being omni.
inline wide parser_channel(t_float arg) {
    const wide ch = wide_part(arg);
    return ch < 0 ? 0 : ch > 16 ? 16 : ch;
}

// Channel selection of the controller, program and aftertouch parsers: the
// inlet's channel 1..16 selects, 0 is omni, anything else leaves it alone.
inline void follow_channel_inlet(t_float inlet, wide &channel, bool &omni) {
    const wide ch = wide_part(inlet);
    if (ch != channel && ch >= 0 && ch <= 16) {
        channel = ch;
        omni = ch == 0;
    }
}

// Channel selection of the note and bend parsers: an inlet change is taken
// once (0 is omni, a positive channel selects index ch - 1 unchecked, so a
// channel outside 1..16 matches nothing), negative values are ignored.
inline void follow_channel_inlet(t_float inlet, wide &last_taken, wide &selected, bool &omni) {
    const wide ch = wide_part(inlet);
    if (ch == last_taken || ch < 0) return;
    if (ch == 0) {
        omni = true;
    } else {
        selected = ch - 1;
        omni = false;
    }
    last_taken = ch;
}

// Running status of the note and bend parsers. A status byte of a wanted
// kind opens its messages: in omni mode on any channel (which becomes the
// selected one), otherwise only on the selected channel. Each pair of data
// bytes that follows is one message, until another status byte.
struct running_status {
    int kind;  // of the open status, or 0 while none is open
    bool have_first;
    int first;  // the pair's first data byte

    void open(int byte, bool wanted, bool omni, wide &selected) {
        have_first = false;
        if (!wanted) {
            kind = 0;
        } else if (omni) {
            selected = index_of(byte);
            kind = kind_of(byte);
        } else {
            kind = index_of(byte) == selected ? kind_of(byte) : 0;
        }
    }
    void close() {
        have_first = false;
        kind = 0;
    }
    // A data byte: true when it completes a pair, whose first byte is `first`.
    bool complete(int byte) {
        if (have_first) {
            have_first = false;
            return true;
        }
        if (kind != 0) {
            first = byte;
            have_first = true;
        }
        return false;
    }
};

// Status byte of a builder: channels <= 0 read as 1, channels above 16 wrap.
inline int status_for(int kind, t_float channel_inlet) {
    wide ch = wide_part(channel_inlet);
    if (ch <= 0) ch = 1;
    return kind + static_cast<int>((ch - 1) & 15);
}

inline void send_byte(t_outlet *out, wide byte) {
    outlet_float(out, static_cast<t_float>(byte));
}

// Creation arguments: validates the list (floats, plus the given flags
// anywhere) and hands back the last float, the channel. Returns false when
// the list is improper.
inline bool channel_args(int argc, const t_atom *argv, std::initializer_list<Flag> flags,
                         t_float &channel, bool &given) {
    if (read_args(argc, argv, {}, flags) < 0) return false;
    given = false;
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type == A_FLOAT) {
            channel = argv[i].a_w.w_float;
            given = true;
        }
    }
    return true;
}

// Channel argument of a builder: values <= 0 and no argument give 1.
inline t_float builder_channel(t_float channel, bool given) {
    const wide ch = wide_part(channel);
    return (!given || ch <= 0) ? 1 : static_cast<t_float>(ch);
}

}  // namespace vesh::midi
