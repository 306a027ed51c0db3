// lincong~: a linear congruential map x' = (a x + c) mod m, iterated at a rate
// given in Hz; outputs x, held between iterations. With m = 1 the output lies
// in [0, 1); with any other modulus the remainder is scaled to [-1, 1) and the
// scaled value is what the next iteration starts from.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

// Remainder with the sign of the modulus, so that a negative a x + c still
// lands in the documented range; the plain truncating remainder would give
// (-m, m). The final check keeps a tiny negative remainder from rounding up
// to m itself.
double wrapped(double s, double m) {
    double r = std::fmod(s, m);
    if (m > 0 ? r < 0 : r > 0) {
        r += m;
        if (m > 0 ? r >= m : r <= m) r = 0;
    }
    return r;
}

struct Lincong {
    struct state {
        double a, c, m;
        double x;
        double x0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.1f, 0.13f, 1.0f, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.a, &s.c, &s.m, &s.x});
        vesh::starts_at(s.x, s.x0, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        // A modulus of 0 has no remainder to take: the map stands still
        // instead of turning into NaN.
        if (s.m == 0) return false;
        const double sum = s.a * s.x + s.c;
        const double nx = s.m == 1 ? wrapped(sum, 1.0) : wrapped(sum, s.m) * (2.0 / s.m) - 1.0;
        vesh::advance(s.x, nx, s.x0);
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_lincong = vesh::chaos::t_chaos<Lincong>;

void lincong_list(t_lincong *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, false, nullptr, "list",
                             {&o->map.a, &o->map.c, &o->map.m, &o->map.x}, vesh::NonFloat::skip);
}

void Lincong::setup(t_class *c) {
    vesh::add_list(c, lincong_list);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Lincong>();
}
