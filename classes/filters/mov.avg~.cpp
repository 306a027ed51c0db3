// mov.avg~: moving average over a window whose length in samples is a signal.
#include "moving.hpp"

#include <cmath>

namespace {

struct Average {
    static constexpr int inline_size = 100;
    static constexpr const char *flag = "-abs";
    static constexpr const char *improper = "[mov.avg~]: improper args";

    template <bool Absolute>
    struct with {
        static double value(t_sample x) { return Absolute ? std::fabs(static_cast<double>(x)) : x; }
        // A window of one passes the value through and leaves the sum alone.
        static t_sample out(vesh::moving::Sum &s, double *ring, double v, int n) {
            if (n <= 1) return static_cast<t_sample>(v);
            return static_cast<t_sample>(s.enter(ring, v, n) / n);
        }
    };
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
