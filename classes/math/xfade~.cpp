// xfade~: equal-power crossfade between two groups of N channels. A mix of -1
// gives group A alone, 1 group B alone, 0 both at cos(pi/4).
#include "block.hpp"
#include "mixing_kernel.hpp"
#include "numbers.hpp"
#include "vesh.hpp"

namespace {

constexpr int max_channels = 64;

struct t_xfade {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    int channels;
    t_sample **inputs;   // group A, then group B
    t_sample **outputs;  // set by "dsp"
    t_sample *row;       // one sample of every input
};

t_class *xfade_class;

void xfade_free(t_xfade *x) {
    const auto n = static_cast<std::size_t>(x->channels);
    if (x->inputs) freebytes(x->inputs, 2 * n * sizeof(t_sample *));
    if (x->outputs) freebytes(x->outputs, n * sizeof(t_sample *));
    if (x->row) freebytes(x->row, 2 * n * sizeof(t_sample));
}

// A first argument that is not a float leaves both defaults; a second one
// that is not a float leaves the mix at 0.
t_xfade *xfade_new(t_symbol *, int argc, t_atom *argv) {
    t_float count = 1, mix = 0;
    vesh::read_leading_floats(argc, argv, {&count, &mix});
    auto *x = vesh::new_object<t_xfade>(xfade_class);
    const int n = x->channels = vesh::to_count(count, 1, max_channels);
    const auto size = static_cast<std::size_t>(n);
    x->inputs = static_cast<t_sample **>(getbytes(2 * size * sizeof(t_sample *)));
    x->outputs = static_cast<t_sample **>(getbytes(size * sizeof(t_sample *)));
    x->row = static_cast<t_sample *>(getbytes(2 * size * sizeof(t_sample)));
    if (!x->inputs || !x->outputs || !x->row) {
        pd_error(nullptr, "xfade~: memory allocation failure");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    for (int k = 1; k < 2 * n; k++) vesh::signal_inlet(&x->x_obj, 0);
    vesh::signal_inlet(&x->x_obj, mix);
    for (int k = 0; k < n; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

// Every input of a sample is copied before any output of it is written: an
// output may be given the memory of an input.
void xfade_block(t_xfade *x, int n, const t_sample *mix) {
    const int channels = x->channels;
    t_sample *const *in = x->inputs;
    t_sample *const *out = x->outputs;
    t_sample *row = x->row;
    const bool steady = vesh::holds(mix, n);
    const vesh::mixing::crossfade held(static_cast<float>(mix[0]));
    for (int i = 0; i < n; i++) {
        const vesh::mixing::crossfade fade =
            steady ? held : vesh::mixing::crossfade(static_cast<float>(mix[i]));
        for (int k = 0; k < 2 * channels; k++) row[k] = in[k][i];
        for (int j = 0; j < channels; j++) {
            out[j][i] = fade(static_cast<float>(row[j]), static_cast<float>(row[channels + j]));
        }
    }
}

void xfade_dsp(t_xfade *x, t_signal **sp) {
    const int channels = x->channels;
    for (int k = 0; k < 2 * channels; k++) x->inputs[k] = sp[k]->s_vec;
    for (int j = 0; j < channels; j++) x->outputs[j] = sp[2 * channels + 1 + j]->s_vec;
    vesh::add_perform(vesh::block_perform<xfade_block>, x, sp[0]->s_n, sp[2 * channels]->s_vec);
}

}  // namespace

VESH_SETUP {
    xfade_class = vesh::new_class(VESH_CLASS_NAME, xfade_new, xfade_free);
    VESH_MAIN_SIGNAL_INLET(xfade_class, t_xfade, in);
    vesh::add_dsp(xfade_class, xfade_dsp);
}
