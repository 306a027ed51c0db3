// cusp~: the cusp map x' = a - b * sqrt(|x|), iterated at a rate given in Hz;
// outputs x, held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct Cusp {
    struct state {
        double a, b;
        double x;
        double x0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.0f, 1.9f, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.a, &s.b, &s.x});
        vesh::starts_at(s.x, s.x0, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double nx = s.a - s.b * std::sqrt(std::fabs(s.x));
        vesh::advance(s.x, nx, s.x0);
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_cusp = vesh::chaos::t_chaos<Cusp>;

void cusp_list(t_cusp *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, false, nullptr, "list",
                             {&o->map.a, &o->map.b, &o->map.x}, vesh::NonFloat::skip);
}

void Cusp::setup(t_class *c) {
    vesh::add_list(c, cusp_list);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Cusp>();
}
