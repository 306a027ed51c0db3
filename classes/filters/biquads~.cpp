// biquads~: a cascade of up to 50 second-order sections, set by one list of
// raw coefficients, five a section: fb1 fb2 ff1 ff2 ff3, for
// y = fb1 y[n-1] + fb2 y[n-2] + ff1 x + ff2 x[n-1] + ff3 x[n-2].
#include "biquad_kernel.hpp"
#include "block.hpp"
#include "fence.hpp"
#include "vesh.hpp"

#include <algorithm>

namespace {

using vesh::biquad::memory;

constexpr int most_sections = 50;

// The raw form: feedback coefficients are added, not subtracted. The terms are
// summed in this order, feedback first, and the order shows in the last bit.
struct raw_section {
    double fb1, fb2, ff1, ff2, ff3;

    double step(memory &m, double x) const {
        const double y = fb1 * m.y1 + fb2 * m.y2 + ff1 * x + ff2 * m.x1 + ff3 * m.x2;
        m.shift(x, y);
        return y;
    }
};

struct t_biquads {
    t_object x_obj;
    int sections;  // in use; none passes the input
    int bypass;
    raw_section coefficients[most_sections];
    memory memories[most_sections];
};

t_class *biquads_class;

// Sections past those in use are unaddressable in the sanitizer build.
void biquads_fence(t_biquads *x) {
    vesh::fence(x->coefficients, x->sections, most_sections);
    vesh::fence(x->memories, x->sections, most_sections);
}

t_biquads *biquads_new() {
    auto *x = vesh::new_object<t_biquads>(biquads_class);
    biquads_fence(x);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// Five numbers a section, in order; an incomplete last group is left out.
// The memories carry on.
void biquads_list(t_biquads *x, t_symbol *, int argc, t_atom *argv) {
    x->sections = std::min(argc / 5, most_sections);
    biquads_fence(x);
    for (int i = 0; i < x->sections; i++) {
        const t_atom *a = argv + 5 * i;
        x->coefficients[i] = {atom_getfloat(a), atom_getfloat(a + 1), atom_getfloat(a + 2),
                              atom_getfloat(a + 3), atom_getfloat(a + 4)};
    }
}

void biquads_clear(t_biquads *x) {
    std::fill_n(x->memories, x->sections, memory{});
}

void biquads_bypass(t_biquads *x, t_floatarg on) {
    x->bypass = on != 0;
}

void biquads_block(t_biquads *x, int n, const t_sample *in, t_sample *out) {
    const int sections = x->sections;
    if (x->bypass || sections == 0) {
        if (out != in) std::copy_n(in, n, out);
        return;
    }
    // A section at a time over a run of samples keeps its memory in registers;
    // each section still sees its input in order, so the output is the same.
    // One section runs straight from the input to the output.
    if (sections == 1) {
        const raw_section c = x->coefficients[0];
        memory m = x->memories[0];
        vesh::recur(0, n, in, out, [&](double, double v, int) { return c.step(m, v); });
        x->memories[0] = m;
    } else {
        constexpr int run = 64;
        double y[run];
        for (int start = 0; start < n; start += run) {
            const int length = std::min(run, n - start);
            for (int i = 0; i < length; i++) y[i] = in[start + i];
            for (int s = 0; s < sections; s++) {
                const raw_section c = x->coefficients[s];
                memory m = x->memories[s];
                for (int i = 0; i < length; i++) y[i] = c.step(m, y[i]);
                x->memories[s] = m;
            }
            for (int i = 0; i < length; i++) out[start + i] = static_cast<t_sample>(y[i]);
        }
    }
    for (int s = 0; s < sections; s++) vesh::biquad::drop_non_finite(x->memories[s]);
}

}  // namespace

VESH_SETUP {
    biquads_class = vesh::new_class<t_biquads>(VESH_CLASS_NAME, biquads_new, nullptr);
    vesh::signal_only_left_inlet(biquads_class);
    vesh::add_block_dsp<biquads_block>(biquads_class);
    vesh::add_list(biquads_class, biquads_list);
    vesh::add_method(biquads_class, "clear", biquads_clear);
    vesh::add_method_defaults(biquads_class, "bypass", biquads_bypass);
}
