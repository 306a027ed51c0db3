// cmul~: complex multiplication of two signals given as real and imaginary
// parts, in single precision.
#include "block.hpp"
#include "vesh.hpp"

#include <cstring>
#include <type_traits>

namespace {

struct t_cmul {
    t_object x_obj;
    t_float in;  // main-inlet scalar: the real part of A
};

t_class *cmul_class;

t_cmul *cmul_new() {
    auto *x = vesh::new_object<t_cmul>(cmul_class);
    for (int k = 0; k < 3; k++) vesh::signal_inlet(&x->x_obj, 0);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void cmul_sample(t_sample ar, t_sample ai, t_sample br, t_sample bi, t_sample &re, t_sample &im) {
    re = ar * br - ai * bi;
    im = ai * br + ar * bi;
}

// Vectors that share no memory: four samples at a time in vector lanes, each
// lane with the same single-precision arithmetic as one sample alone.
void cmul_apart(int n, const t_sample *ar, const t_sample *ai, const t_sample *br,
                const t_sample *bi, t_sample *re, t_sample *im) {
    int i = 0;
    if constexpr (std::is_same_v<t_sample, float>) {
        for (; i + 4 <= n; i += 4) {
            vesh::float4 a, b, c, d;
            std::memcpy(&a, ar + i, sizeof a);
            std::memcpy(&b, ai + i, sizeof b);
            std::memcpy(&c, br + i, sizeof c);
            std::memcpy(&d, bi + i, sizeof d);
            const vesh::float4 real = a * c - b * d, imaginary = b * c + a * d;
            std::memcpy(re + i, &real, sizeof real);
            std::memcpy(im + i, &imaginary, sizeof imaginary);
        }
    }
    for (; i < n; i++) cmul_sample(ar[i], ai[i], br[i], bi[i], re[i], im[i]);
}

bool overlap(const t_sample *a, const t_sample *b, int n) {
    return a < b + n && b < a + n;
}

void cmul_block(t_cmul *, int n, const t_sample *ar, const t_sample *ai, const t_sample *br,
                const t_sample *bi, t_sample *re, t_sample *im) {
    bool apart = !overlap(re, im, n);
    for (const t_sample *v : {ar, ai, br, bi})
        apart = apart && !overlap(v, re, n) && !overlap(v, im, n);
    if (apart) {
        cmul_apart(n, ar, ai, br, bi, re, im);
        return;
    }
    // An output shares an input's memory: one sample at a time, every input
    // read before either output is written.
    for (int i = 0; i < n; i++) {
        t_sample r, m;
        cmul_sample(ar[i], ai[i], br[i], bi[i], r, m);
        re[i] = r;
        im[i] = m;
    }
}

}  // namespace

VESH_SETUP {
    cmul_class = vesh::new_class(VESH_CLASS_NAME, cmul_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(cmul_class, t_cmul, in);
    vesh::add_block_dsp<cmul_block>(cmul_class);
}
