// rand.f: a random float between two bounds on each bang.
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_randf {
    t_object x_obj;
    uint32_t word;
    t_float low;
    t_float high;
};

t_class *randf_class;
uint32_t seed_counter = 54569;

t_randf *randf_new(t_symbol *, int argc, t_atom *argv) {
    t_float low = 0, high = 1;
    bool seeded = false;
    t_float seed = 0;
    if (argc == 1) {
        if (argv[0].a_type == A_FLOAT) high = argv[0].a_w.w_float;
    } else if (argc >= 2) {
        if (argc > 3) return vesh::improper_args<t_randf>("randf: improper args");
        for (int i = 0; i < argc; i++) {
            if (argv[i].a_type != A_FLOAT)
                return vesh::improper_args<t_randf>("randf: improper args");
        }
        low = argv[0].a_w.w_float;
        high = argv[1].a_w.w_float;
        if (argc == 3) {
            seeded = true;
            seed = argv[2].a_w.w_float;
        }
    }
    auto *x = vesh::new_object<t_randf>(randf_class);
    // An explicit seed moves the class's counter too.
    x->word = vesh::noise_lcg_instance(seed_counter, seeded, seed);
    x->low = low;
    x->high = high;
    vesh::float_inlet(&x->x_obj, &x->low);
    vesh::float_inlet(&x->x_obj, &x->high);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void randf_seed(t_randf *x, t_floatarg f) {
    x->word = vesh::noise_lcg_seed(f);
}

void randf_bang(t_randf *x) {
    const float u = vesh::noise_lcg_value(x->word);
    const float value = x->low + (u + 1.0f) * ((x->high - x->low) * 0.5f);
    // Stepped before the output, so that a bang fed back from the outlet
    // draws a new value.
    x->word = vesh::noise_lcg_step(x->word);
    outlet_float(x->x_obj.ob_outlet, value);
}

}  // namespace

VESH_SETUP {
    randf_class = vesh::new_class<t_randf>(VESH_CLASS_NAME, randf_new, nullptr);
    vesh::add_bang(randf_class, randf_bang);
    vesh::add_method_defaults(randf_class, "seed", randf_seed);
}
