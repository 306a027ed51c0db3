// gray~: a 32-bit register of which one random bit flips per sample, read as a
// signed fraction in [-1, 1).
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_gray {
    t_object x_obj;
    vesh::random_state state;
    uint32_t reg;
};

t_class *gray_class;
int seed_counter = 1;

void gray_init(t_gray *x, double seed) {
    vesh::random_init(&x->state, seed);
    x->reg = x->state.s1 ^ x->state.s2 ^ x->state.s3;
}

t_gray *gray_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_gray>(gray_class);
    gray_init(x, vesh::creation_seed(argc, argv, seed_counter));
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void gray_seed(t_gray *x, t_floatarg f) {
    gray_init(x, f);
}

t_int *gray_perform(t_int *w) {
    auto *x = vesh::word<t_gray *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    auto *state = vesh::word<vesh::random_state *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    uint32_t s1 = state->s1, s2 = state->s2, s3 = state->s3;
    uint32_t reg = x->reg;
    for (int i = 0; i < n; i++) {
        reg ^= 1u << (vesh::random_step(s1, s2, s3) & 31);
        out[i] = static_cast<float>(static_cast<int32_t>(reg)) * 4.656612873077393e-10f;
    }
    *state = {s1, s2, s3};
    x->reg = reg;
    return w + 5;
}

void gray_dsp(t_gray *x, t_signal **sp) {
    vesh::add_perform(gray_perform, x, sp[0]->s_n, &x->state, sp[0]->s_vec);
}

}  // namespace

VESH_SETUP {
    gray_class = vesh::new_class<t_gray>(VESH_CLASS_NAME, gray_new, nullptr);
    vesh::add_dsp(gray_class, gray_dsp);
    vesh::add_float(gray_class, gray_seed);
}
