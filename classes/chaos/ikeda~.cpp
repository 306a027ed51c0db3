// ikeda~: the Ikeda map, iterated at a rate given in Hz; outputs x on the left
// and y on the right, held between iterations. The map runs in single
// precision between steps, and so does its clock's step.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct Ikeda {
    static constexpr int outputs = 2;
    using clock_real = float;

    struct state {
        double u;
        double x, y;
        double x0, y0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {0.75f, 0, 0, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.u, &s.x, &s.y});
        vesh::starts_at(s.x, s.x0, 0.0), vesh::starts_at(s.y, s.y0, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double x = s.x, y = s.y;
        const double t = static_cast<float>(0.4 - 6.0 / (x * x + y * y + 1.0));
        const double c = std::cos(t), sn = std::sin(t);
        const double nx = static_cast<float>(1.0 + s.u * (x * c - y * sn));
        const double ny = static_cast<float>(s.u * (nx * sn + y * c));
        vesh::advance(s.x, s.y, nx, ny, s.x0, s.y0);
        return true;
    }

    static void show(const state &s, t_sample *out) {
        out[0] = static_cast<float>(s.x);
        out[1] = static_cast<float>(s.y);
    }

    static void setup(t_class *c);
};

using t_ikeda = vesh::chaos::t_chaos<Ikeda>;

void ikeda_u(t_ikeda *o, t_floatarg u) {
    o->map.u = u;
}

void ikeda_clear(t_ikeda *o) {
    o->map.x = o->map.y = 0;
}

void ikeda_list(t_ikeda *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 2, VESH_CLASS_NAME ": list size needs to be = 2",
                             "list", {&o->map.x, &o->map.y}, vesh::NonFloat::skip);
}

void Ikeda::setup(t_class *c) {
    vesh::add_list(c, ikeda_list);
    vesh::add_method(c, "u", ikeda_u);
    vesh::add_method(c, "clear", ikeda_clear);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Ikeda>();
}
