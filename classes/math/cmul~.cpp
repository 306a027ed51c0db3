// cmul~: complex multiplication of two signals given as real and imaginary
// parts, in single precision.
#include "vesh.hpp"

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

// Vectors that share no memory: the compiler may take several samples at once.
void cmul_apart(int n, const t_sample *__restrict ar, const t_sample *__restrict ai,
                const t_sample *__restrict br, const t_sample *__restrict bi,
                t_sample *__restrict re, t_sample *__restrict im) {
    for (int i = 0; i < n; i++) cmul_sample(ar[i], ai[i], br[i], bi[i], re[i], im[i]);
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
