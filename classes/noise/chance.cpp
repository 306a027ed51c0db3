// chance: routes each bang to one of its outlets at random, either by a
// percentage (two outlets) or by weights (one outlet per weight), or outputs
// the chosen position with "-index".
#include "random.hpp"
#include "vesh.hpp"

namespace {

struct t_chance_entry {
    int used;
    t_float cumulative;  // sum of the weights up to and including this entry
};

struct t_chance {
    t_object x_obj;
    t_chance_entry *entries;
    int entry_count;  // allocated entries, one per creation argument
    int count;        // outlets, or entries in index mode
    t_float total;
    int percentage;
    t_float threshold;
    int index_mode;
    uint32_t word;
    t_outlet **outlets;
    t_outlet *index_outlet;
};

t_class *chance_class;
uint32_t seed_counter = 54569;

t_chance *chance_new(t_symbol *, int argc, t_atom *argv) {
    t_chance_entry *entries = nullptr;
    t_float total = 0, threshold = 50;
    int count = argc, index_mode = 0;
    const bool percentage = argc < 2;
    if (argc == 1) {
        if (argv[0].a_type != A_FLOAT) {
            return vesh::improper_args<t_chance>("[chance]: takes only floats as arguments");
        }
        const t_float f = argv[0].a_w.w_float;
        threshold = f < 0 ? 0 : f > 100 ? 100 : f;
    }
    if (percentage) {
        total = 100;
        count = 2;
    } else {
        entries = static_cast<t_chance_entry *>(getbytes(argc * sizeof(t_chance_entry)));
        if (!entries) return vesh::improper_args<t_chance>("[chance]: could not allocate buffer");
        int k = 0;
        for (int i = 0; i < argc; i++) {
            if (argv[i].a_type == A_FLOAT) {
                total += argv[i].a_w.w_float;
                entries[k++] = {1, total};
            } else if (argv[i].a_type == A_SYMBOL && argv[i].a_w.w_symbol == gensym("-index")) {
                index_mode = 1;
                count--;
            } else {
                k++;  // a placeholder that is never chosen
            }
        }
    }
    t_outlet **outlets = nullptr;
    if (!index_mode) {
        outlets = static_cast<t_outlet **>(getbytes(count * sizeof(t_outlet *)));
        if (!outlets) {
            if (entries) freebytes(entries, argc * sizeof(t_chance_entry));
            return vesh::improper_args<t_chance>("[chance]: could not allocate buffer");
        }
    }

    auto *x = vesh::new_object<t_chance>(chance_class);
    x->entries = entries;
    x->entry_count = entries ? argc : 0;
    x->count = count;
    x->total = total;
    x->percentage = percentage;
    x->threshold = threshold;
    x->index_mode = index_mode;
    x->word = vesh::noise_lcg_instance(seed_counter);
    if (percentage) vesh::float_inlet(&x->x_obj, &x->threshold);
    if (index_mode) {
        x->index_outlet = outlet_new(&x->x_obj, &s_float);
    } else {
        x->outlets = outlets;
        for (int i = 0; i < count; i++) x->outlets[i] = outlet_new(&x->x_obj, &s_bang);
    }
    return x;
}

void chance_free(t_chance *x) {
    if (x->entries) freebytes(x->entries, x->entry_count * sizeof(t_chance_entry));
    if (x->outlets) freebytes(x->outlets, x->count * sizeof(t_outlet *));
}

void chance_seed(t_chance *x, t_floatarg f) {
    x->word = vesh::noise_lcg_seed(f);
}

void chance_bang(t_chance *x) {
    const float u = vesh::noise_lcg_value(x->word);
    const float v = (u + 1.0f) * (0.5f * x->total);
    // Stepped before the output, so that a bang fed back from an outlet
    // draws anew.
    x->word = vesh::noise_lcg_step(x->word);
    if (x->percentage) {
        outlet_bang(x->outlets[v > x->threshold ? 1 : 0]);
        return;
    }
    for (int i = 0; i < x->count; i++) {
        if (x->entries[i].used && v < x->entries[i].cumulative) {
            if (x->index_mode) {
                outlet_float(x->index_outlet, i + 1);
            } else {
                outlet_bang(x->outlets[i]);
            }
            return;
        }
    }
}

// New weights, read from the left until the list ends or holds a non-number;
// entries past that point keep their weights.
void chance_list(t_chance *x, t_symbol *, int argc, t_atom *argv) {
    if (x->percentage) return;
    t_float total = 0;
    for (int i = 0; i < x->count && i < argc && argv[i].a_type == A_FLOAT; i++) {
        total += argv[i].a_w.w_float;
        x->entries[i] = {1, total};
    }
    x->total = total;
}

}  // namespace

VESH_SETUP {
    chance_class = vesh::new_class<t_chance>(VESH_CLASS_NAME, chance_new, chance_free);
    vesh::add_bang(chance_class, chance_bang);
    vesh::add_list(chance_class, chance_list);
    vesh::add_method_defaults(chance_class, "seed", chance_seed);
}
