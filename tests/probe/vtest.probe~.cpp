// Test-only: prints every block of its input signal as the hex bit patterns
// of the samples, "probe~ NAME: XXXXXXXX ...", 16 samples a line.
#include "vesh.hpp"

#include <bit>
#include <cstdio>
#include <cstdint>

namespace {

struct t_probe_tilde {
    t_object x_obj;
    t_float scalar;
    t_symbol *name;
};

t_class *probe_tilde_class;

t_probe_tilde *probe_tilde_new(t_symbol *name) {
    auto *x = vesh::new_object<t_probe_tilde>(probe_tilde_class);
    x->name = name;
    return x;
}

t_int *probe_tilde_perform(t_int *w) {
    auto *x = vesh::word<t_probe_tilde *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    for (int i = 0; i < n; i += 16) {
        char line[16 * 9 + 1];
        int len = 0;
        for (int j = i; j < n && j < i + 16; j++) {
            len += std::snprintf(line + len, sizeof line - len, " %08x",
                                 std::bit_cast<uint32_t>(in[j]));
        }
        post("probe~ %s:%s", x->name->s_name, line);
    }
    return w + 4;
}

void probe_tilde_dsp(t_probe_tilde *x, t_signal **sp) {
    vesh::add_perform(probe_tilde_perform, x, sp[0]->s_n, sp[0]->s_vec);
}

}  // namespace

VESH_SETUP {
    probe_tilde_class = vesh::new_class<t_probe_tilde>(VESH_CLASS_NAME, probe_tilde_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(probe_tilde_class, t_probe_tilde, scalar);
    vesh::add_dsp(probe_tilde_class, probe_tilde_dsp);
}
