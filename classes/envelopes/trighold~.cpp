// trighold~: holds the value of each onset sample (the first non-zero sample
// after a 0) until the next onset.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_trighold {
    t_object x_obj;
    t_float in;        // main-inlet scalar
    float history[2];  // the samples before the block
    float held;
};

t_class *trighold_class;

t_trighold *trighold_new() {
    auto *x = vesh::new_object<t_trighold>(trighold_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void trighold_block(t_trighold *x, int n, const t_sample *in, t_sample *out) {
    lanes held = lanes{} + x->held;
    each_sample<1>(in, n, x->history, {out}, [&held](lanes, lanes p, lanes v) {
        held = hold((p == lanes{}) & (v != lanes{}), v, held);
        const lanes y = held;
        held = last(held);
        return std::array<lanes, 1>{y};
    });
    x->held = held[0];
}

}  // namespace

VESH_SETUP {
    trighold_class = vesh::new_class(VESH_CLASS_NAME, trighold_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(trighold_class, t_trighold, in);
    vesh::add_block_dsp<trighold_block>(trighold_class);
}
