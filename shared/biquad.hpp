// The host side of the biquad filters: perform and dsp routines, "clear",
// "bypass", the mode messages, the inlets and the class, all produced from the
// class record (an object with its `filter` field, a core<Design> of
// biquad_kernel.hpp). A filter class file holds its coefficient cook, its
// record, its creator and its entry function.
#pragma once

#include "biquad_kernel.hpp"
#include "vesh.hpp"

namespace vesh::biquad {

// Perform routine: words are the object, the block length, the input, the
// parameter vectors in inlet order, then the output.
template <typename Object>
t_int *perform(t_int *w) {
    using Design = typename decltype(Object::filter)::design;
    constexpr int P = Design::parameters;
    auto *x = word<Object *>(w, 1);
    const int n = word<int>(w, 2);
    const auto *in = word<t_sample *>(w, 3);
    const t_sample *parameters[P];
    for (int k = 0; k < P; k++) parameters[k] = word<t_sample *>(w, 4 + k);
    auto *out = word<t_sample *>(w, 4 + P);
    run(x->filter, n, in, parameters, out);
    return w + 5 + P;
}

template <typename Object>
void dsp(Object *x, t_signal **sp) {
    x->filter.nyquist = 0.5f * sp[0]->s_sr;
    constexpr int P = decltype(Object::filter)::parameters;
    if constexpr (P == 2) {
        add_perform(perform<Object>, x, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec,
                    sp[3]->s_vec);
    } else {
        static_assert(P == 3, "two or three parameter inlets");
        add_perform(perform<Object>, x, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec, sp[2]->s_vec,
                    sp[3]->s_vec, sp[4]->s_vec);
    }
}

template <typename Object>
void clear(Object *x) {
    x->filter.memory = {};
}

template <typename Object>
void bypass(Object *x, t_floatarg on) {
    x->filter.bypass = on != 0;
}

// The second parameter inlet in its other reading ("bw", "t60").
template <typename Object>
void alternate_mode(Object *x) {
    x->filter.mode = 1;
}

template <typename Object>
void q_mode(Object *x) {
    x->filter.mode = 0;
}

// A new filter in `mode`, with a signal-only main inlet, one signal inlet per
// parameter with its starting value and one signal outlet.
template <typename Object>
Object *filter_new(t_class *c, int mode, std::initializer_list<t_float> starts) {
    auto *x = new_object<Object>(c);
    x->filter.mode = mode;
    for (t_float v : starts) signal_inlet(&x->x_obj, v);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The creator of the filters whose second parameter is a Q, or with "-bw" a
// bandwidth in octaves (mode 1): floats fill the parameters over their
// `defaults`; anything else is improper and reported with `improper`.
template <typename Object, int P>
Object *q_filter_new(t_class *c, int argc, const t_atom *argv, const t_float (&defaults)[P],
                     const char *improper) {
    static_assert(P == 2 || P == 3);
    t_float p[3] = {defaults[0], defaults[1], defaults[P - 1]};
    bool bandwidth = false;
    if (read_args(argc, argv, {&p[0], &p[1], &p[2]}, {{"-bw", &bandwidth}}) < 0) {
        return improper_args<Object>(improper);
    }
    if constexpr (P == 2) return filter_new<Object>(c, bandwidth, {p[0], p[1]});
    return filter_new<Object>(c, bandwidth, {p[0], p[1], p[2]});
}

// The class with dsp, "clear" and (unless left out) "bypass"; with
// `alternate` set, that message selects mode 1 and "q" mode 0.
template <typename Object>
t_class *new_filter_class(GimmeCreator<Object> creator, const char *alternate = nullptr,
                          bool with_bypass = true) {
    t_class *c = new_class<Object>(VESH_CLASS_NAME, creator, nullptr);
    signal_only_left_inlet(c);
    add_dsp(c, dsp<Object>);
    add_method(c, "clear", clear<Object>);
    if (with_bypass) add_method_defaults(c, "bypass", bypass<Object>);
    if (alternate) {
        add_method(c, alternate, alternate_mode<Object>);
        add_method(c, "q", q_mode<Object>);
    }
    return c;
}

}  // namespace vesh::biquad
