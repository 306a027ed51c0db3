// fbsine2~: a feedback sine map, iterated at a rate given in Hz; outputs x,
// held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

constexpr double two_pi = 6.283185307179586;

struct Fbsine2 {
    struct state {
        double im, fb, a, c;
        double x, y;
        double x0, y0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.0, 0.1, 1.1, 0.5, 0.1, 0.1, 0, 0};
        if (!vesh::chaos::read_float_args(c, {&c.rate, &s.im, &s.fb, &s.a, &s.c, &s.x, &s.y}))
            return false;
        vesh::starts_at(s.x, s.x0, 0.1), vesh::starts_at(s.y, s.y0, 0.1);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double nx = std::sin(s.fb * s.x + s.im * s.y);
        const double ny = std::fmod(s.a * s.y + s.c, two_pi);
        vesh::advance(s.x, s.y, nx, ny, s.x0, s.y0);
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_fbsine2 = vesh::chaos::t_chaos<Fbsine2>;

void fbsine2_coeffs(t_fbsine2 *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 4,
                             VESH_CLASS_NAME ": 'coeffs' needs a maximum of 4 floats as arguments",
                             "'coeffs' arguments", {&o->map.im, &o->map.fb, &o->map.a, &o->map.c},
                             vesh::NonFloat::stop);
}

void fbsine2_list(t_fbsine2 *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 2,
                             VESH_CLASS_NAME ": list size needs to be <= 2", "list",
                             {&o->map.x, &o->map.y}, vesh::NonFloat::stop);
}

void fbsine2_clear(t_fbsine2 *o) {
    o->map.x = o->map.y = 0;
}

void Fbsine2::setup(t_class *c) {
    vesh::add_list(c, fbsine2_list);
    vesh::add_method(c, "coeffs", fbsine2_coeffs);
    vesh::add_method(c, "clear", fbsine2_clear);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Fbsine2>();
}
