// brown~: a random walk of steps up to 1/8, reflected at -1 and 1.
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_brown {
    t_object x_obj;
    vesh::random_state state;
    float walk;
};

t_class *brown_class;
int seed_counter = 1;

t_brown *brown_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_brown>(brown_class);
    vesh::random_init(&x->state, vesh::creation_seed(argc, argv, seed_counter));
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// Reseeding leaves the walk where it is, so the signal does not jump.
void brown_seed(t_brown *x, t_floatarg f) {
    vesh::random_init(&x->state, f);
}

void brown_block(t_brown *x, int n, t_sample *out) {
    uint32_t s1 = x->state.s1, s2 = x->state.s2, s3 = x->state.s3;
    float b = x->walk;
    for (int i = 0; i < n; i++) {
        b = b + vesh::random_bipolar(s1, s2, s3) * 0.125f;
        if (b > 1.0f) b = 2.0f - b;
        if (b < -1.0f) b = -2.0f - b;
        out[i] = b;
    }
    x->state = {s1, s2, s3};
    x->walk = b;
}

}  // namespace

VESH_SETUP {
    brown_class = vesh::new_class<t_brown>(VESH_CLASS_NAME, brown_new, nullptr);
    vesh::add_block_dsp<brown_block>(brown_class);
    vesh::add_float(brown_class, brown_seed);
}
