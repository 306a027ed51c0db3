// status~: a 1 at the left outlet where the input turns on (from 0 to
// anything else), at the right where it turns off (from anything else to 0).
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_status {
    t_object x_obj;
    t_float in;        // main-inlet scalar
    float history[2];  // the samples before the block
};

t_class *status_class;

t_status *status_new(t_floatarg initial) {
    auto *x = vesh::new_object<t_status>(status_class);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    x->history[1] = initial != 0 ? 1 : 0;
    return x;
}

void status_block(t_status *x, int n, const t_sample *in, t_sample *on_out, t_sample *off_out) {
    each_sample<2>(in, n, x->history, {on_out, off_out}, [](auto, auto p, auto v) {
        using V = decltype(v);
        const V zero{};
        return std::array<V, 2>{where((p == zero) & (v != zero)), where((p != zero) & (v == zero))};
    });
}

}  // namespace

VESH_SETUP {
    status_class = vesh::new_class(VESH_CLASS_NAME, status_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(status_class, t_status, in);
    vesh::add_block_dsp<status_block>(status_class);
}
