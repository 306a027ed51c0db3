// rand.f~: a random float between two bounds, drawn when a trigger signal crosses zero or a bang
// arrives.
#include "random.hpp"
#include "random_trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_randf {
    t_object x_obj;
    uint32_t word;
    float held;
    float previous;  // trigger sample
    bool pending;    // a bang waits for the next block
};

t_class *randf_class;
uint32_t seed_counter = 74599;

t_randf *randf_new(t_symbol *, int argc, t_atom *argv) {
    t_float low = -1, high = 1;
    if (!vesh::read_bounds(argc, argv, low, high))
        return vesh::improper_args<t_randf>("randf~: improper args");
    auto *x = vesh::new_object<t_randf>(randf_class);
    x->word = vesh::noise_lcg_instance(seed_counter);
    vesh::signal_inlet(&x->x_obj, low);
    vesh::signal_inlet(&x->x_obj, high);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void randf_bang(t_randf *x) {
    x->pending = true;
}

void randf_seed(t_randf *x, t_floatarg f) {
    x->word = vesh::noise_lcg_seed(f);
}

void randf_block(t_randf *x, int n, const t_sample *trigger, const t_sample *low,
                 const t_sample *high, t_sample *out) {
    uint32_t word = x->word;
    float held = x->held;
    auto run = [&](auto bounds_at) {
        vesh::trigger_run(x->pending, x->previous, trigger, n, [&](int i, bool due) {
            if (due) {
                const auto [lo, span] = bounds_at(i);
                held = vesh::unit_draw(word) * span + lo;
                word = vesh::noise_lcg_step(word);
            }
            out[i] = held;
            return true;
        });
    };
    struct bounds {
        float low, span;
    };
    auto bounds_of = [](t_sample lo, t_sample hi) {
        return bounds{static_cast<float>(lo), static_cast<float>(hi) - static_cast<float>(lo)};
    };
    if (n > 0 && vesh::holds(low, n) && vesh::holds(high, n)) {
        const bounds b = bounds_of(low[0], high[0]);
        run([b](int) { return b; });
    } else {
        run([&](int i) { return bounds_of(low[i], high[i]); });
    }
    x->word = word;
    x->held = held;
}

}  // namespace

VESH_SETUP {
    randf_class = vesh::new_class<t_randf>(VESH_CLASS_NAME, randf_new, nullptr);
    vesh::signal_only_left_inlet(randf_class);
    vesh::add_block_dsp<randf_block>(randf_class);
    vesh::add_bang(randf_class, randf_bang);
    vesh::add_method_defaults(randf_class, "seed", randf_seed);
}
