// henon~: the Hénon map, iterated at a rate given in Hz; outputs y (the
// previous x). An orbit leaving the square ±1.5 falls back to the origin.
#include "chaos.hpp"
#include "chaos_args.hpp"

namespace {

struct Henon {
    struct state {
        double a, b;
        double x, y;
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        // Defaults are single-precision values, like everything a message can set.
        s = {1.4f, 0.3f, 0, 0};
        vesh::read_leading_floats<double>(c.argc, c.argv, {&c.rate, &s.a, &s.b, &s.x, &s.y});
        vesh::keep_finite(s.x, 0.0), vesh::keep_finite(s.y, 0.0);
        return true;
    }

    static bool iterate(state &s, const t_sample *) {
        const double next = static_cast<float>(1.0 - s.a * s.x * s.x + s.b * s.y);
        if (next == 1.5 || next == -1.5) return true;  // on the edge: stays put
        if (next > -1.5 && next < 1.5) {
            s.y = s.x;
            s.x = next;
        } else {
            s.x = s.y = 0;  // escaped (NaN included): back to the origin
        }
        return true;
    }

    // The output is y itself, whatever set it.
    static void show(const state &s, t_sample *out) { out[0] = static_cast<float>(s.y); }

    static void setup(t_class *c);
};

using t_henon = vesh::chaos::t_chaos<Henon>;

void henon_coeffs(t_henon *o, t_floatarg a, t_floatarg b) {
    o->map.a = a, o->map.b = b;
}

void henon_list(t_henon *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc != 2,
                             VESH_CLASS_NAME ": list size needs to be = 2", "list",
                             {&o->map.x, &o->map.y}, vesh::NonFloat::skip);
    vesh::chaos::show(o);
}

void Henon::setup(t_class *c) {
    vesh::add_list(c, henon_list);
    vesh::add_method(c, "coeffs", henon_coeffs);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Henon>();
}
