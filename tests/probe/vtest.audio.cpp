// Test-only: on bang, sends the host's audio settings as a list: the input
// device and channel counts with their four slots each, the same for output,
// then the rate, the advance and the callback flag.
#include "vesh.hpp"

#include <g_canvas.h>
// The host's audio settings record; its header has no C++ linkage block.
extern "C" {
#include <s_stuff.h>
}

namespace {

struct t_vtest_audio {
    t_object x_obj;
};

t_class *vtest_audio_class;

void vtest_audio_bang(t_vtest_audio *x) {
    t_audiosettings as;
    sys_get_audio_settings(&as);
    const int values[] = {
        as.a_nindev,         as.a_indevvec[0],    as.a_indevvec[1],    as.a_indevvec[2],
        as.a_indevvec[3],    as.a_nchindev,       as.a_chindevvec[0],  as.a_chindevvec[1],
        as.a_chindevvec[2],  as.a_chindevvec[3],  as.a_noutdev,        as.a_outdevvec[0],
        as.a_outdevvec[1],   as.a_outdevvec[2],   as.a_outdevvec[3],   as.a_nchoutdev,
        as.a_choutdevvec[0], as.a_choutdevvec[1], as.a_choutdevvec[2], as.a_choutdevvec[3],
        as.a_srate,          as.a_advance,        as.a_callback,       as.a_blocksize};
    constexpr int n = sizeof values / sizeof values[0];
    t_atom at[n];
    for (int i = 0; i < n; i++) SETFLOAT(&at[i], static_cast<t_float>(values[i]));
    outlet_list(x->x_obj.ob_outlet, &s_list, n, at);
}

t_vtest_audio *vtest_audio_new() {
    auto *x = vesh::new_object<t_vtest_audio>(vtest_audio_class);
    outlet_new(&x->x_obj, &s_list);
    return x;
}

}  // namespace

VESH_SETUP {
    vtest_audio_class = vesh::new_class(VESH_CLASS_NAME, vtest_audio_new, nullptr);
    vesh::add_bang(vtest_audio_class, vtest_audio_bang);
}
