// factor: the prime factors of a whole number from 1 to 16777216, in
// ascending order, as a list.
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_factor {
    t_object x_obj;
};

t_class *factor_class;

constexpr int most = 16777216;  // 2^24: every whole number up to it is a float
constexpr int most_factors = 24;

void factor_float(t_factor *x, t_floatarg f) {
    const double n = std::trunc(static_cast<double>(f));
    if (!(n >= 1 && n <= most)) {
        // Numbers an int cannot hold (and NaN) are shown as they are.
        if (n >= -2147483648.0 && n <= 2147483647.0) {
            pd_error(x, "[factor]: number %d out of range (1 - 16777216)", static_cast<int>(n));
        } else if (n != n) {
            pd_error(x, "[factor]: number nan out of range (1 - 16777216)");
        } else {
            pd_error(x, "[factor]: number %g out of range (1 - 16777216)", n);
        }
        return;
    }
    int rest = static_cast<int>(n);
    if (rest == 1) {
        outlet_float(x->x_obj.ob_outlet, 1);
        return;
    }
    t_atom factors[most_factors];
    int count = 0;
    // Trial division; past the square root of what is left, that rest is prime.
    for (int d = 2; rest > 1 && count < most_factors; d++) {
        if (d > rest / d) d = rest;
        while (rest % d == 0 && count < most_factors) {
            SETFLOAT(&factors[count], d);
            count++;
            rest /= d;
        }
    }
    outlet_list(x->x_obj.ob_outlet, &s_list, count, factors);
}

t_factor *factor_new() {
    auto *x = vesh::new_object<t_factor>(factor_class);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    factor_class = vesh::new_class(VESH_CLASS_NAME, factor_new, nullptr);
    vesh::add_float(factor_class, factor_float);
}
