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

void gray_block(t_gray *x, int n, t_sample *out) {
    uint32_t s1 = x->state.s1, s2 = x->state.s2, s3 = x->state.s3;
    uint32_t reg = x->reg;
    for (int i = 0; i < n; i++) {
        reg ^= 1u << (vesh::random_step(s1, s2, s3) & 31);
        out[i] = static_cast<float>(static_cast<int32_t>(reg)) * 4.656612873077393e-10f;
    }
    x->state = {s1, s2, s3};
    x->reg = reg;
}

}  // namespace

VESH_SETUP {
    gray_class = vesh::new_class<t_gray>(VESH_CLASS_NAME, gray_new, nullptr);
    vesh::add_block_dsp<gray_block>(gray_class);
    vesh::add_float(gray_class, gray_seed);
}
