// standard~: the standard (Chirikov) map on the torus, iterated at a rate given
// in Hz; outputs x mapped from [0, 2 pi) to [-1, 1), held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;
constexpr double two_pi = 6.283185307179586;
constexpr double one_over_pi = 0.3183098861837907;

struct Standard {
    // The output has its own state, 0 until the first iteration.
    static constexpr bool last_output_starts_at_zero = true;

    struct state {
        double k;
        double x, y;
        double x0, y0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.0f, 0.5f, 0, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.k, &s.x, &s.y});
        vesh::starts_at(s.x, s.x0, 0.5f), vesh::starts_at(s.y, s.y0, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double ny = std::fmod(s.y + s.k * std::sin(s.x), two_pi);
        double nx = std::fmod(s.x + ny, two_pi);
        if (nx < 0) nx += two_pi;
        vesh::advance(s.x, s.y, nx, ny, s.x0, s.y0);
        return true;
    }

    static void show(const state &s, t_sample *out) {
        out[0] = static_cast<float>((s.x - pi) * one_over_pi);
    }

    static void setup(t_class *c);
};

using t_standard = vesh::chaos::t_chaos<Standard>;

void standard_k(t_standard *o, t_floatarg k) {
    o->map.k = k;
}

void standard_list(t_standard *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 2, VESH_CLASS_NAME ": list size needs to be = 2",
                             "list", {&o->map.x, &o->map.y}, vesh::NonFloat::skip);
}

void Standard::setup(t_class *c) {
    vesh::add_list(c, standard_list);
    vesh::add_method(c, "k", standard_k);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Standard>();
}
