// gate2imp~: an impulse at each onset (a change from 0 to anything else), as
// high as the onset sample.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_gate2imp {
    t_object x_obj;
    t_float in;        // main-inlet scalar
    float history[2];  // the samples before the block
};

t_class *gate2imp_class;

t_gate2imp *gate2imp_new() {
    auto *x = vesh::new_object<t_gate2imp>(gate2imp_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void gate2imp_block(t_gate2imp *x, int n, const t_sample *in, t_sample *out) {
    each_sample<1>(in, n, x->history, {out}, [](auto, auto p, auto v) {
        using V = decltype(v);
        const V zero{};
        return std::array<V, 1>{pick((p == zero) & (v != zero), v, zero)};
    });
}

}  // namespace

VESH_SETUP {
    gate2imp_class = vesh::new_class(VESH_CLASS_NAME, gate2imp_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(gate2imp_class, t_gate2imp, in);
    vesh::add_block_dsp<gate2imp_block>(gate2imp_class);
}
