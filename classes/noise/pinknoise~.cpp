// pinknoise~: pink noise from octave bands updated at random, plus a white
// component. Each sample picks octave k with probability 2^-(k+1) and replaces
// its entry in the table with a fresh value; the output is the table's running
// sum plus white noise, scaled by 1 / (octaves + 1).
#include "fence.hpp"
#include "random.hpp"
#include "vesh.hpp"

#include <bit>

namespace {

constexpr int max_octaves = 31;

struct t_pinknoise {
    t_object x_obj;
    vesh::random_state state;
    float table[max_octaves];
    float sum;
    int count;
    int automatic;  // the octave count follows the sample rate
};

t_class *pinknoise_class;
int seed_counter = 1;

int clamp_octaves(t_float f) {
    const int32_t k = vesh::int_part(f);
    return k < 0 ? 0 : k > max_octaves ? max_octaves : k;
}

void pinknoise_refill(t_pinknoise *x) {
    vesh::fence(x->table, x->count, max_octaves);
    uint32_t s1 = x->state.s1, s2 = x->state.s2, s3 = x->state.s3;
    float sum = 0;
    for (int i = 0; i < x->count; i++) {
        x->table[i] = vesh::random_bipolar(s1, s2, s3);
        sum += x->table[i];
    }
    x->state = {s1, s2, s3};
    x->sum = sum;
}

t_pinknoise *pinknoise_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_pinknoise>(pinknoise_class);
    vesh::random_init(&x->state, vesh::creation_seed(argc, argv, seed_counter));
    if (argc > 1 && argv[1].a_type == A_FLOAT) {
        x->automatic = 0;
        x->count = clamp_octaves(argv[1].a_w.w_float);
        pinknoise_refill(x);
    } else {
        x->automatic = 1;
    }
    vesh::float_method_inlet(&x->x_obj, "oct");
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void pinknoise_oct(t_pinknoise *x, t_floatarg f) {
    x->automatic = 0;
    x->count = clamp_octaves(f);
    pinknoise_refill(x);
}

void pinknoise_seed(t_pinknoise *x, t_floatarg f) {
    vesh::random_init(&x->state, f);
    pinknoise_refill(x);
}

void pinknoise_block(t_pinknoise *x, int n, t_sample *out) {
    float *table = x->table;
    uint32_t s1 = x->state.s1, s2 = x->state.s2, s3 = x->state.s3;
    float sum = x->sum;
    const int count = x->count;
    const float g = 1.0f / static_cast<float>(count + 1);
    for (int i = 0; i < n; i++) {
        // countl_zero gives 32 for 0, which is never below count (at most 31).
        const int k = std::countl_zero(vesh::random_step(s1, s2, s3));
        const float x1 = vesh::random_bipolar(s1, s2, s3);
        if (k < count) {
            sum = (sum + x1) - table[k];
            table[k] = x1;
        }
        const float white = vesh::random_bipolar(s1, s2, s3);
        out[i] = (white + sum) * g;
    }
    x->state = {s1, s2, s3};
    x->sum = sum;
}

void pinknoise_prepare(t_pinknoise *x, t_signal **sp) {
    if (x->automatic) {
        // One octave per halving of the rate above 40 Hz, at most the table's size.
        float sr = sp[0]->s_sr;
        int count = 0;
        while (sr > 40 && count < max_octaves) {
            sr *= 0.5f;
            count++;
        }
        x->count = count;
        pinknoise_refill(x);
    }
}

}  // namespace

VESH_SETUP {
    pinknoise_class = vesh::new_class<t_pinknoise>(VESH_CLASS_NAME, pinknoise_new, nullptr);
    vesh::add_block_dsp<pinknoise_block, pinknoise_prepare>(pinknoise_class);
    vesh::add_float(pinknoise_class, pinknoise_seed);
    vesh::add_method_defaults(pinknoise_class, "oct", pinknoise_oct);
}
