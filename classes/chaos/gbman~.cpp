// gbman~: the gingerbread-man map, iterated in single precision at a rate
// given in Hz; outputs x, held between iterations.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct Gbman {
    struct state {
        double x, y;    // single-precision values
        double x0, y0;  // state at creation, restored if the map blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {1.2f, 2.1f, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.x, &s.y});
        vesh::starts_at(s.x, s.x0, 1.2f), vesh::starts_at(s.y, s.y0, 2.1f);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const auto x = static_cast<float>(s.x), y = static_cast<float>(s.y);
        const float nx = std::fabs(x) - y + 1.0f;
        if (std::isfinite(nx)) {
            s.y = x;
            s.x = nx;
        } else {
            // start over rather than hold NaN forever
            s.x = static_cast<float>(s.x0), s.y = static_cast<float>(s.y0);
        }
        return true;
    }

    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.x); }

    static void setup(t_class *c);
};

using t_gbman = vesh::chaos::t_chaos<Gbman>;

void gbman_list(t_gbman *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 2, VESH_CLASS_NAME ": list size needs to be = 2",
                             "list", {&o->map.x, &o->map.y}, vesh::NonFloat::skip);
}

void Gbman::setup(t_class *c) {
    vesh::add_list(c, gbman_list);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Gbman>();
}
