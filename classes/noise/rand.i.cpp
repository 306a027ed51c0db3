// rand.i: a random integer between min and max, both included, on each bang.
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_randi {
    t_object x_obj;
    uint32_t state;
    t_float min;
    t_float max;
};

t_class *randi_class;
uint32_t seed_counter = 1489853723u;

t_randi *randi_new(t_symbol *, int argc, t_atom *argv) {
    t_float min = 0, max = 1;
    bool seeded = false;
    t_float seed = 0;
    if (argc == 1) {
        if (argv[0].a_type == A_FLOAT) max = argv[0].a_w.w_float;
    } else if (argc >= 2) {
        if (argc > 3) return vesh::improper_args<t_randi>("randi: improper args");
        for (int i = 0; i < argc; i++) {
            if (argv[i].a_type != A_FLOAT)
                return vesh::improper_args<t_randi>("randi: improper args");
        }
        min = argv[0].a_w.w_float;
        max = argv[1].a_w.w_float;
        if (argc == 3) {
            seeded = true;
            seed = argv[2].a_w.w_float;
        }
    }
    auto *x = vesh::new_object<t_randi>(randi_class);
    x->state = vesh::int_lcg_instance(seed_counter, seeded, seed);
    x->min = min;
    x->max = max;
    vesh::float_inlet(&x->x_obj, &x->min);
    vesh::float_inlet(&x->x_obj, &x->max);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void randi_seed(t_randi *x, t_floatarg f) {
    x->state = static_cast<uint32_t>(vesh::int_part(f));
}

void randi_bang(t_randi *x) {
    const vesh::int_range range = vesh::int_range_of(x->min, x->max);
    if (range.size == 0) {
        outlet_float(x->x_obj.ob_outlet, static_cast<t_float>(range.low));
        return;
    }
    const int64_t r = vesh::int_lcg_pick(x->state, range.size);
    // Stepped before the output, so that a bang fed back from the outlet
    // draws a new value.
    x->state = vesh::int_lcg_step(x->state);
    outlet_float(x->x_obj.ob_outlet, static_cast<t_float>(range.low + r));
}

}  // namespace

VESH_SETUP {
    randi_class = vesh::new_class<t_randi>(VESH_CLASS_NAME, randi_new, nullptr);
    vesh::add_bang(randi_class, randi_bang);
    vesh::add_method_defaults(randi_class, "seed", randi_seed);
}
