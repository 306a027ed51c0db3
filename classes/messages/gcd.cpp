// gcd: the greatest common divisor of whole numbers (the inputs truncated);
// a zero anywhere gives 1.
#include "vesh.hpp"

#include <cmath>
#include <cstdint>

namespace {

struct t_gcd {
    t_object x_obj;
    t_float right;
    t_float result;
};

t_class *gcd_class;

// Euclid's algorithm on the truncated values: in 64-bit integers below 2^53,
// beyond that in double precision, where every float is a whole number, fmod
// is exact and each remainder of two such numbers is again a float. So the
// result is exact for every finite input, however large (at most a few
// hundred steps). An infinite or NaN operand has no divisors: NaN.
double gcd_of(t_float a_in, t_float b_in) {
    double a = std::trunc(static_cast<double>(a_in));
    double b = std::trunc(static_cast<double>(b_in));
    if (a == 0 || b == 0) return 1;
    if (!std::isfinite(a) || !std::isfinite(b)) return NAN;
    constexpr double wide = 9007199254740992.0;  // 2^53: whole numbers below are exact in both
    if (std::fabs(a) < wide && std::fabs(b) < wide) {
        auto p = static_cast<int64_t>(std::fabs(a)), q = static_cast<int64_t>(std::fabs(b));
        while (q != 0) {
            const int64_t r = p % q;
            p = q;
            q = r;
        }
        return static_cast<double>(p);
    }
    while (b != 0) {
        const double r = std::fmod(a, b);
        a = b;
        b = r;
    }
    return std::fabs(a);
}

void gcd_send(t_gcd *x, double result) {
    x->result = static_cast<t_float>(result);
    outlet_float(x->x_obj.ob_outlet, x->result);
}

void gcd_float(t_gcd *x, t_floatarg f) {
    gcd_send(x, gcd_of(f, x->right));
}

void gcd_bang(t_gcd *x) {
    outlet_float(x->x_obj.ob_outlet, x->result);
}

// The first element as it is, then the divisor it shares with each next one.
// An empty list sends the last result, as a bang does.
void gcd_list(t_gcd *x, t_symbol *, int argc, t_atom *argv) {
    if (argc == 0) {
        gcd_bang(x);
        return;
    }
    double result = atom_getfloat(&argv[0]);
    for (int i = 1; i < argc; i++) {
        result = gcd_of(static_cast<t_float>(result), atom_getfloat(&argv[i]));
    }
    gcd_send(x, result);
}

t_gcd *gcd_new(t_floatarg right) {
    auto *x = vesh::new_object<t_gcd>(gcd_class);
    x->right = right;
    vesh::float_inlet(&x->x_obj, &x->right);
    outlet_new(&x->x_obj, &s_float);
    return x;
}

}  // namespace

VESH_SETUP {
    gcd_class = vesh::new_class(VESH_CLASS_NAME, gcd_new, nullptr);
    vesh::add_float(gcd_class, gcd_float);
    vesh::add_bang(gcd_class, gcd_bang);
    vesh::add_list(gcd_class, gcd_list);
}
