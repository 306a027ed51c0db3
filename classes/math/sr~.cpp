// sr~: reports the host's sample rate, in Hz, kHz, or the sample period in ms
// or s, on request, at load and after a DSP start at a new rate. "set" (or a
// float argument) asks the host for another rate.
#include "audio_environment.hpp"
#include "vesh.hpp"

#include <g_canvas.h>
// The host's audio settings record; its header has no C++ linkage block.
extern "C" {
#include <s_stuff.h>
}

#include <climits>

namespace {

struct t_sr {
    t_object x_obj;
    vesh::t_rate_report rate;
};

t_class *sr_class;

// The host's audio dialog message with every setting as it stands now, so
// that only the rate changes: devices and channels chosen since this object
// was made are kept. Slots past the host's device counts read 0. The block
// size goes last: a host reading the message without it would reset it to 64.
void sr_request(int rate) {
    t_symbol *pd = gensym("pd");
    if (!pd->s_thing) return;
    t_audiosettings as;
    sys_get_audio_settings(&as);
    auto slot = [](const int *values, int count, int i) {
        return static_cast<t_float>(i < count ? values[i] : 0);
    };
    t_atom at[20];
    for (int i = 0; i < 4; i++) {
        SETFLOAT(&at[i], slot(as.a_indevvec, as.a_nindev, i));
        SETFLOAT(&at[4 + i], slot(as.a_chindevvec, as.a_nchindev, i));
        SETFLOAT(&at[8 + i], slot(as.a_outdevvec, as.a_noutdev, i));
        SETFLOAT(&at[12 + i], slot(as.a_choutdevvec, as.a_nchoutdev, i));
    }
    SETFLOAT(&at[16], static_cast<t_float>(rate));
    SETFLOAT(&at[17], static_cast<t_float>(as.a_advance));
    SETFLOAT(&at[18], static_cast<t_float>(as.a_callback));
    SETFLOAT(&at[19], static_cast<t_float>(as.a_blocksize));
    pd_typedmess(pd->s_thing, gensym("audio-dialog"), 20, at);
}

// The whole part must be above 0; 0, negatives and NaN ask for nothing.
void sr_set(t_sr *, t_floatarg r) {
    if (!(r >= 1)) return;
    sr_request(r < static_cast<t_floatarg>(INT_MAX) ? static_cast<int>(r) : INT_MAX);
}

t_sr *sr_new(t_symbol *, int argc, t_atom *argv) {
    vesh::RateUnit unit{0, 0};
    t_float rate = 0;
    bool has_rate = false;
    bool proper = argc <= 2;
    for (int i = 0; proper && i < argc; i++) {
        if (argv[i].a_type == A_FLOAT && !has_rate) {
            rate = argv[i].a_w.w_float;
            has_rate = true;
        } else {
            proper = argv[i].a_type == A_SYMBOL && vesh::rate_unit_flag(argv[i].a_w.w_symbol, unit);
        }
    }
    if (!proper) return vesh::improper_args<t_sr>("[sr~]: improper args");
    auto *x = vesh::new_object<t_sr>(sr_class);
    vesh::rate_report_init(x, unit, 1);
    if (has_rate) sr_set(x, rate);
    return x;
}

}  // namespace

VESH_SETUP {
    sr_class = vesh::new_rate_class<t_sr>(VESH_CLASS_NAME, sr_new);
    vesh::add_method_defaults(sr_class, "set", sr_set);
}
