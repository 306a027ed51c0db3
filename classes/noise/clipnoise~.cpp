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

void clipnoise_block(t_clipnoise *x, int n, t_sample *out) {
    uint32_t s1 = x->state.s1, s2 = x->state.s2, s3 = x->state.s3;
    for (int i = 0; i < n; i++) {
        // The sign of random_bipolar's value; exactly 0 counts as negative.
        out[i] = vesh::bipolar_sign(vesh::random_step(s1, s2, s3));
    }
    x->state = {s1, s2, s3};
}

}  // namespace

VESH_SETUP {
    clipnoise_class = vesh::new_class<t_clipnoise>(VESH_CLASS_NAME, clipnoise_new, nullptr);
    vesh::add_block_dsp<clipnoise_block>(clipnoise_class);
    vesh::add_float(clipnoise_class, clipnoise_seed);
}
