// clipnoise~: white noise clipped to its sign, -1 or 1.
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_clipnoise {
    t_object x_obj;
    vesh::random_state state;
};

t_class *clipnoise_class;
int seed_counter = 1;

t_clipnoise *clipnoise_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_clipnoise>(clipnoise_class);
    vesh::random_init(&x->state, vesh::creation_seed(argc, argv, seed_counter));
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void clipnoise_seed(t_clipnoise *x, t_floatarg f) {
    vesh::random_init(&x->state, f);
}

t_int *clipnoise_perform(t_int *w) {
    const int n = vesh::word<int>(w, 2);
    auto *state = vesh::word<vesh::random_state *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    uint32_t s1 = state->s1, s2 = state->s2, s3 = state->s3;
    for (int i = 0; i < n; i++) {
        // The sign of random_bipolar's value; exactly 0 counts as negative.
        out[i] = vesh::bipolar_sign(vesh::random_step(s1, s2, s3));
    }
    *state = {s1, s2, s3};
    return w + 5;
}

void clipnoise_dsp(t_clipnoise *x, t_signal **sp) {
    vesh::add_perform(clipnoise_perform, x, sp[0]->s_n, &x->state, sp[0]->s_vec);
}

}  // namespace

VESH_SETUP {
    clipnoise_class = vesh::new_class<t_clipnoise>(VESH_CLASS_NAME, clipnoise_new, nullptr);
    vesh::add_dsp(clipnoise_class, clipnoise_dsp);
    vesh::add_float(clipnoise_class, clipnoise_seed);
}
