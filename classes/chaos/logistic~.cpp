// logistic~: the logistic map x' = (p + 3) (1 - x) x, iterated at a rate given
// in Hz; outputs 2x - 1, held between iterations. The right inlet's p
// (limited to 0 ... 1) is read only when an iteration happens.
#include "chaos.hpp"

#include <cmath>

namespace {

constexpr double start_x = 0.5;

struct Logistic {
    static constexpr int inputs = 1;  // p

    struct state {
        double x;
    };

    // The rate defaults to 0 here, p to 0.5.
    static bool make(state &s, vesh::chaos::creation &c) {
        double p = 0.5f;
        c.rate = 0;
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &p});
        c.inputs[0] = static_cast<t_float>(p);
        s.x = start_x;
        return true;
    }

    static bool iterate(state &s, const t_sample *in) {
        double p = in[0];
        if (p > 1) p = 1;
        if (p < 0) p = 0;
        const double nx = (p + 3.0) * (1.0 - s.x) * s.x;
        s.x = std::isfinite(nx) ? nx : start_x;  // a NaN p would otherwise stick
        return true;
    }

    static void show(const state &s, t_sample *out) {
        out[0] = static_cast<float>(2.0 * s.x - 1.0);
    }

    static void setup(t_class *) {}
};

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Logistic>();
}
