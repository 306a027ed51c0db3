// lorenz~: the Lorenz system, advanced by one fourth-order Runge-Kutta step at
// each tick of the iteration clock; outputs x scaled by 0.04, drawn as a line
// from the previous x to the new one between ticks.
#include "chaos.hpp"
#include "chaos_args.hpp"

#include <cmath>

namespace {

struct t_point {
    double x, y, z;
};

struct Lorenz {
    struct state {
        double s, r, b, h;
        double x, y, z;
        double prev_x, prev_y, prev_z;
        double dx;          // increment of x at the last step
        double x0, y0, z0;  // state at creation, restored if the system blows up
    };

    static bool make(state &s, vesh::chaos::creation &c) {
        s = {};
        s.s = 10.0, s.b = 2.667, s.r = 28.0, s.h = 0.05, s.x = 0.1, s.y = 0.0, s.z = 0.0;
        if (!vesh::chaos::read_float_args(c, {&c.rate, &s.s, &s.b, &s.r, &s.h, &s.x, &s.y, &s.z}))
            return false;
        vesh::keep_finite(s.x, 0.1), vesh::keep_finite(s.y, 0.0), vesh::keep_finite(s.z, 0.0);
        s.prev_x = s.x0 = s.x;
        s.prev_y = s.y0 = s.y;
        s.prev_z = s.z0 = s.z;
        return true;
    }

    static t_point derivative(const state &s, const t_point &p) {
        return {s.s * (p.y - p.x), p.x * (s.r - p.z) - p.y, p.x * p.y - s.b * p.z};
    }
    static t_point scaled(double h, const t_point &d) { return {h * d.x, h * d.y, h * d.z}; }
    static t_point moved(const t_point &p, const t_point &k, double by) {
        return {p.x + k.x * by, p.y + k.y * by, p.z + k.z * by};
    }

    static bool iterate(state &s, const t_sample *) {
        const t_point p = {s.x, s.y, s.z};
        const t_point k1 = scaled(s.h, derivative(s, p));
        const t_point k2 = scaled(s.h, derivative(s, moved(p, k1, 0.5)));
        const t_point k3 = scaled(s.h, derivative(s, moved(p, k2, 0.5)));
        const t_point k4 = scaled(s.h, derivative(s, moved(p, k3, 1.0)));
        constexpr double sixth = 0.1666666666666667;
        const t_point d = {(k1.x + 2.0 * k2.x + 2.0 * k3.x + k4.x) * sixth,
                           (k1.y + 2.0 * k2.y + 2.0 * k3.y + k4.y) * sixth,
                           (k1.z + 2.0 * k2.z + 2.0 * k3.z + k4.z) * sixth};
        s.prev_x = p.x, s.prev_y = p.y, s.prev_z = p.z;
        const t_point next = {p.x + d.x, p.y + d.y, p.z + d.z};
        if (std::isfinite(next.x) && std::isfinite(next.y) && std::isfinite(next.z)) {
            s.x = next.x, s.y = next.y, s.z = next.z;
            s.dx = d.x;
        } else {
            // Diverged (extreme coefficients or state): start over rather than
            // emit NaN from now on.
            s.x = s.prev_x = s.x0, s.y = s.prev_y = s.y0, s.z = s.prev_z = s.z0;
            s.dx = 0;
        }
        return true;
    }

    static float between(const state &s, double t) {
        return static_cast<float>((s.dx * t + s.prev_x) * 0.04);
    }

    static void setup(t_class *c);
};

using t_lorenz = vesh::chaos::t_chaos<Lorenz>;

void lorenz_coeffs(t_lorenz *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 4,
                             VESH_CLASS_NAME ": 'coeffs' needs a maximum of 4 floats as arguments",
                             "'coeffs' arguments", {&o->map.s, &o->map.r, &o->map.b, &o->map.h},
                             vesh::NonFloat::stop);
}

void lorenz_list(t_lorenz *o, t_symbol *, int argc, t_atom *argv) {
    vesh::chaos::set_numbers(o, argc, argv, argc > 3,
                             VESH_CLASS_NAME ": list size needs to be <= 3", "list",
                             {&o->map.x, &o->map.y, &o->map.z}, vesh::NonFloat::stop);
}

void lorenz_clear(t_lorenz *o) {
    o->map.x = o->map.y = o->map.z = 0;
    o->map.prev_x = o->map.prev_y = o->map.prev_z = 0;
}

void Lorenz::setup(t_class *c) {
    vesh::add_list(c, lorenz_list);
    vesh::add_method(c, "coeffs", lorenz_coeffs);
    vesh::add_method(c, "clear", lorenz_clear);
}

}  // namespace

VESH_SETUP {
    vesh::chaos::setup<Lorenz>();
}
