// mov.avg~: moving average over a window whose length in samples is a signal.
#include "moving.hpp"

namespace {

struct Average {
    static constexpr int inline_size = 100;
    static constexpr const char *flag = "-abs";
    static constexpr const char *improper = "[mov.avg~]: improper args";

    template <bool Mode>
    using with = vesh::moving::average<Mode>;
};

using t_movavg = vesh::moving::t_moving<Average>;

// "abs" v: averages absolute values when v is non-zero.
void movavg_abs(t_movavg *x, t_floatarg f) {
    x->mode = f != 0;
}

}  // namespace

VESH_SETUP {
    t_class *c = vesh::moving::setup<Average>();
    vesh::add_method_defaults(c, "abs", movavg_abs);
}
