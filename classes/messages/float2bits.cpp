// float2bits: the 32 bits of a single-precision float, most significant
// first, as a list of 1s and 0s; "split" sends mantissa, exponent and sign
// apart.
#include "vesh.hpp"

#include <cstdint>
#include <cstring>

namespace {

struct t_float2bits {
    t_object x_obj;
    t_float value;
};

t_class *float2bits_class;

uint32_t float2bits_pattern(const t_float2bits *x) {
    const auto f = static_cast<float>(x->value);
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Bits `high` down to `low` of `bits` as float atoms.
void float2bits_fill(uint32_t bits, int high, int low, t_atom *out) {
    for (int b = high; b >= low; b--, out++) SETFLOAT(out, (bits >> b) & 1u);
}

void float2bits_bang(t_float2bits *x) {
    t_atom bits[32];
    float2bits_fill(float2bits_pattern(x), 31, 0, bits);
    outlet_list(x->x_obj.ob_outlet, &s_list, 32, bits);
}

void float2bits_float(t_float2bits *x, t_floatarg f) {
    x->value = f;
    float2bits_bang(x);
}

void float2bits_set(t_float2bits *x, t_floatarg f) {
    x->value = f;
}

void float2bits_split(t_float2bits *x) {
    const uint32_t bits = float2bits_pattern(x);
    t_atom part[23];
    float2bits_fill(bits, 22, 0, part);
    outlet_anything(x->x_obj.ob_outlet, gensym("mantissa"), 23, part);
    float2bits_fill(bits, 30, 23, part);
    outlet_anything(x->x_obj.ob_outlet, gensym("exponent"), 8, part);
    float2bits_fill(bits, 31, 31, part);
    outlet_anything(x->x_obj.ob_outlet, gensym("sign"), 1, part);
}

t_float2bits *float2bits_new(t_floatarg value) {
    auto *x = vesh::new_object<t_float2bits>(float2bits_class);
    x->value = value;
    vesh::float_inlet(&x->x_obj, &x->value);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    float2bits_class = vesh::new_class(VESH_CLASS_NAME, float2bits_new, nullptr);
    vesh::add_float(float2bits_class, float2bits_float);
    vesh::add_bang(float2bits_class, float2bits_bang);
    vesh::add_method_defaults(float2bits_class, "set", float2bits_set);
    vesh::add_method(float2bits_class, "split", float2bits_split);
}
