// quad~: the quadratic map x' = a x^2 + b x + c, iterated at a rate given in
// Hz; outputs x, held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct Quad {
    struct state {
        double a, b, c;
        double x;
        double x0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.0f, -1.0f, -0.75f, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.a, &s.b, &s.c, &s.x});
        vesh::starts_at(s.x, s.x0, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double nx = s.x * (s.a * s.x + s.b) + s.c;
        // Most coefficient sets run off to infinity; start over once x leaves
        // what the output can carry, rather than emit infinities and then NaN.
        s.x = std::isfinite(static_cast<float>(nx)) ? nx : s.x0;
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_quad = vesh::chaos::t_chaos<Quad>;

void quad_list(t_quad *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, false, nullptr, "list",
                             {&o->map.a, &o->map.b, &o->map.c, &o->map.x}, vesh::NonFloat::skip);
}

void Quad::setup(t_class *c) {
    vesh::add_list(c, quad_list);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Quad>();
}
