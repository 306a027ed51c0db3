// The class shell of dust~ and dust2~: single-sample impulses of random
// amplitude at random times, a given density per second on average, never
// two in a row.
#pragma once

#include "block.hpp"
#include "random.hpp"
#include "vesh.hpp"

namespace vesh::dust {

struct t_dust {
    t_object x_obj;
    t_float density;  // main-inlet scalar, impulses per second
    float inv_sr;
    uint32_t word;
    float last;      // the previous output sample
    float chance;    // of an impulse per sample, at the last block that held one
    uint32_t below;  // the words whose draw is under that chance (see draws_below)
};

inline t_class *dust_class;
inline uint32_t seed_counter = 74599;

// The density (the first argument, when it is a number); other arguments are
// ignored.
inline t_dust *creator(t_symbol *, int argc, t_atom *argv) {
    t_float density = 0;
    read_leading_floats<t_float>(argc, argv, {&density});
    auto *x = new_object<t_dust>(dust_class);
    x->density = density;
    x->inv_sr = 1.0f / sys_getsr();
    x->word = noise_lcg_instance(seed_counter);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

inline void seed(t_dust *x, t_floatarg f) {
    x->word = noise_lcg_seed(f);
}

inline void prepare(t_dust *x, t_signal **sp) {
    x->inv_sr = 1.0f / sp[0]->s_sr;
}

// The impulse a draw r makes when it falls under the chance g of an impulse
// at this sample: unipolar r / g in [0, 1), or bipolar 2r / g - 1 in [-1, 1).
// Under a chance of 0 or less (or NaN) no draw falls, so none is made.
template <bool Bipolar>
struct impulse {
    float chance;
    float scale;

    explicit impulse(float g) : chance(g), scale(g > 0 ? (Bipolar ? 2.0f : 1.0f) / g : 0.0f) {}

    float at(float r) const { return Bipolar ? r * scale - 1.0f : r * scale; }
};

// The word steps every sample; an impulse never follows another.
template <bool Bipolar>
void block(t_dust *x, int n, const t_sample *density, t_sample *out) {
    uint32_t word = x->word;
    float last = x->last;
    if (n > 0 && holds(density, n)) {
        // One chance for the block: the words under it are known at once,
        // and a draw is worked out only for an impulse.
        const impulse<Bipolar> imp(static_cast<float>(density[0]) * x->inv_sr);
        if (!(imp.chance == x->chance)) {
            x->chance = imp.chance;
            x->below = draws_below(imp.chance);
        }
        const uint32_t below = x->below;
        bool after = last != 0;  // an impulse came out at the sample before
        for (int i = 0; i < n; i++) {
            const uint32_t w = word;
            word = noise_lcg_step(word);
            float o = 0.0f;
            if ((w & 0x7FFFFFFFu) < below && !after) [[unlikely]] {
                o = imp.at(unit_draw(w));
                after = o != 0;
            } else {
                after = false;
            }
            out[i] = o;
            last = o;
        }
    } else {
        for (int i = 0; i < n; i++) {
            const impulse<Bipolar> imp(static_cast<float>(density[i]) * x->inv_sr);
            const float r = unit_draw(word);
            word = noise_lcg_step(word);
            last = r < imp.chance && last == 0 ? imp.at(r) : 0.0f;
            out[i] = last;
        }
    }
    x->word = word;
    x->last = last;
}

template <bool Bipolar>
inline void setup() {
    dust_class = new_class<t_dust>(VESH_CLASS_NAME, creator, nullptr);
    VESH_MAIN_SIGNAL_INLET(dust_class, t_dust, density);
    add_block_dsp<block<Bipolar>, prepare>(dust_class);
    add_method_defaults(dust_class, "seed", seed);
}

}  // namespace vesh::dust
