// rand.i~: a random integer between two bounds, drawn when a trigger signal crosses zero or a bang
// arrives.
#include "random.hpp"
#include "random_trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_randi {
    t_object x_obj;
    uint32_t state;
    t_sample held;
    float previous;  // trigger sample
    bool pending;    // a bang waits for the next block
};

t_class *randi_class;
uint32_t seed_counter = 1489853723u;

t_randi *randi_new(t_symbol *, int argc, t_atom *argv) {
    t_float min = 0, max = 1;
    if (!vesh::read_bounds(argc, argv, min, max))
        return vesh::improper_args<t_randi>("randi~: improper args");
    auto *x = vesh::new_object<t_randi>(randi_class);
    x->state = vesh::int_lcg_instance(seed_counter);
    vesh::signal_inlet(&x->x_obj, min);
    vesh::signal_inlet(&x->x_obj, max);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void randi_bang(t_randi *x) {
    x->pending = true;
}

void randi_seed(t_randi *x, t_floatarg f) {
    x->state = static_cast<uint32_t>(vesh::int_part(f));
}

// The integers from the lower of min and max + 1 up to below the higher (so
// max + 1 ... min - 1 when the bounds are reversed). While that leaves
// nothing to draw from, the output is the lower one and a bang waits.
void randi_block(t_randi *x, int n, const t_sample *trigger, const t_sample *min,
                 const t_sample *max, t_sample *out) {
    uint32_t state = x->state;
    t_sample held = x->held;
    auto take = [&](int i, bool due, const vesh::int_range &range) {
        if (range.size == 0) {
            held = static_cast<t_sample>(range.low);
        } else if (due) {
            held = static_cast<t_sample>(range.low + vesh::int_lcg_pick(state, range.size));
            state = vesh::int_lcg_step(state);
        }
        out[i] = held;
        return range.size != 0;
    };
    if (n > 0 && vesh::holds(min, n) && vesh::holds(max, n)) {
        const vesh::int_range range = vesh::int_range_of(min[0], max[0]);
        vesh::trigger_run(x->pending, x->previous, trigger, n,
                          [&](int i, bool due) { return take(i, due, range); });
    } else {
        vesh::trigger_run(x->pending, x->previous, trigger, n, [&](int i, bool due) {
            return take(i, due, vesh::int_range_of(min[i], max[i]));
        });
    }
    x->state = state;
    x->held = held;
}

}  // namespace

VESH_SETUP {
    randi_class = vesh::new_class<t_randi>(VESH_CLASS_NAME, randi_new, nullptr);
    vesh::signal_only_left_inlet(randi_class);
    vesh::add_block_dsp<randi_block>(randi_class);
    vesh::add_bang(randi_class, randi_bang);
    vesh::add_method_defaults(randi_class, "seed", randi_seed);
}
