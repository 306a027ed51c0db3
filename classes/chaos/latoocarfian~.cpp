// latoocarfian~: the Latoocarfian map, iterated at a rate given in Hz; outputs
// x, held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct Latoocarfian {
    struct state {
        double a, b, c, d;
        double x, y;
        double x0, y0;  // state at creation, restored if the map blows up
    };

    // Arguments arrive as single-precision floats and are widened as they are.
    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.0, 3.0, 0.5, 0.5, 0.5, 0.5, 0, 0};
        if (!vesh::chaos::read_float_args(c, {&c.rate, &s.a, &s.b, &s.c, &s.d, &s.x, &s.y}))
            return false;
        vesh::starts_at(s.x, s.x0, 0.5), vesh::starts_at(s.y, s.y0, 0.5);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double nx = std::sin(s.b * s.y) + s.c * std::sin(s.b * s.x);
        const double ny = std::sin(s.a * s.x) + s.d * std::sin(s.a * s.y);
        vesh::advance(s.x, s.y, nx, ny, s.x0, s.y0);
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_latoocarfian = vesh::chaos::t_chaos<Latoocarfian>;

void latoocarfian_coeffs(t_latoocarfian *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc != 4,
                             VESH_CLASS_NAME ": 'coeffs' needs a list of 4 floats as arguments",
                             "'coeffs' arguments", {&o->map.a, &o->map.b, &o->map.c, &o->map.d},
                             vesh::NonFloat::skip);
}

void latoocarfian_list(t_latoocarfian *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 2, VESH_CLASS_NAME ": list size needs to be = 2",
                             "list", {&o->map.x, &o->map.y}, vesh::NonFloat::skip);
}

void Latoocarfian::setup(t_class *c) {
    vesh::add_list(c, latoocarfian_list);
    vesh::add_method(c, "coeffs", latoocarfian_coeffs);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Latoocarfian>();
}
