// The conventions every class of the library follows, written once.
//
// A class file includes this header and keeps only its own logic: the record,
// the creator, the methods, the perform routine and the entry function.
//
// The build passes two names for each plug-in, both derived from the source
// file name:
//   VESH_CLASS_NAME  the class name as typed in a box ("rand.seq", "saw~")
//   VESH_SETUP_NAME  the entry function the host looks for ("setup_rand0x2eseq",
//                    "saw_tilde_setup")
// so a class file opens its entry function with VESH_SETUP and registers its
// class under VESH_CLASS_NAME; the two never drift apart from the file name.
#pragma once

#include <m_pd.h>

#include "args.hpp"

#include <cstddef>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <type_traits>

#ifndef VESH_CLASS_NAME
#error "VESH_CLASS_NAME is set by the build for each plug-in"
#endif

// The one symbol a plug-in exports; everything else is hidden so that two
// plug-ins carrying the same shared routine never clash in one process. A DLL
// exports what is marked for export and nothing else.
#if defined(_WIN32)
#define VESH_EXPORT __declspec(dllexport)
#else
#define VESH_EXPORT __attribute__((visibility("default")))
#endif
#define VESH_SETUP extern "C" VESH_EXPORT void VESH_SETUP_NAME()

namespace vesh {

namespace detail {
// The host stores every routine under one generic pointer type; going through
// void(*)() says that the cast is on purpose.
template <typename To, typename From>
inline To function_cast(From f) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(f));
}
}  // namespace detail

// ---- Registration -------------------------------------------------------

// Creator taking the whole argument list.
template <typename Object>
using GimmeCreator = Object *(*)(t_symbol *, int, t_atom *);

template <typename Object>
inline t_class *new_class(const char *name, GimmeCreator<Object> creator,
                          void (*destructor)(Object *), int flags = CLASS_DEFAULT) {
    static_assert(std::is_standard_layout_v<Object>, "records stay plain C layouts");
    return class_new(gensym(name), detail::function_cast<t_newmethod>(creator),
                     reinterpret_cast<t_method>(destructor), sizeof(Object), flags, A_GIMME,
                     A_NULL);
}

// Classes without a destructor pass nullptr.
template <typename Object>
inline t_class *new_class(const char *name, GimmeCreator<Object> creator, std::nullptr_t,
                          int flags = CLASS_DEFAULT) {
    return new_class<Object>(name, creator, static_cast<void (*)(Object *)>(nullptr), flags);
}

namespace detail {
// A creator's optional argument: a missing float reads 0, a missing symbol
// the empty symbol.
template <typename T>
constexpr t_atomtype optional_arg_type() {
    if constexpr (std::is_same_v<T, t_floatarg>) {
        return A_DEFFLOAT;
    } else {
        static_assert(std::is_same_v<T, t_symbol *>,
                      "creator arguments are t_floatarg or t_symbol*");
        return A_DEFSYM;
    }
}
}  // namespace detail

// Creator with a fixed signature of optional arguments, (t_floatarg...) or
// (t_symbol*...) or none: the argument types follow from the creator's own,
// as add_method deduces a method's.
template <typename Object, typename... Args>
requires(!std::is_same_v<void(Args...), void(t_symbol *, int, t_atom *)>) inline t_class *new_class(
    const char *name, Object *(*creator)(Args...), void (*destructor)(Object *),
    int flags = CLASS_DEFAULT) {
    static_assert(std::is_standard_layout_v<Object>, "records stay plain C layouts");
    return class_new(gensym(name), detail::function_cast<t_newmethod>(creator),
                     reinterpret_cast<t_method>(destructor), sizeof(Object), flags,
                     detail::optional_arg_type<Args>()..., A_NULL);
}

template <typename Object, typename... Args>
requires(!std::is_same_v<void(Args...), void(t_symbol *, int, t_atom *)>) inline t_class *new_class(
    const char *name, Object *(*creator)(Args...), std::nullptr_t, int flags = CLASS_DEFAULT) {
    return new_class<Object, Args...>(name, creator, static_cast<void (*)(Object *)>(nullptr),
                                      flags);
}

// A bare receiver class for proxies (no creator, no box, no inlet).
inline t_class *new_proxy_class(const char *name, int flags = CLASS_PD | CLASS_NOINLET) {
    return class_new(gensym(name), nullptr, nullptr, 0, flags, A_NULL);
}

template <typename Proxy>
inline t_class *new_proxy_class(const char *name, int flags = CLASS_PD | CLASS_NOINLET) {
    static_assert(std::is_standard_layout_v<Proxy>, "records stay plain C layouts");
    return class_new(gensym(name), nullptr, nullptr, sizeof(Proxy), flags, A_NULL);
}

namespace detail {
template <typename T>
constexpr t_atomtype atom_type_of() {
    if constexpr (std::is_same_v<T, t_floatarg>) {
        return A_FLOAT;
    } else if constexpr (std::is_same_v<T, t_symbol *>) {
        return A_SYMBOL;
    } else if constexpr (std::is_same_v<T, t_gpointer *>) {
        return A_POINTER;
    } else {
        static_assert(sizeof(T) == 0, "method arguments are t_floatarg, t_symbol* or t_gpointer*");
        return A_NULL;
    }
}
}  // namespace detail

// Method with typed arguments: (Object*, t_floatarg...) or (Object*, t_symbol*...).
// Every argument must be present; see add_method_defaults for optional ones.
template <typename Object, typename... Args>
inline void add_method(t_class *c, const char *selector, void (*method)(Object *, Args...)) {
    class_addmethod(c, reinterpret_cast<t_method>(method), gensym(selector),
                    detail::atom_type_of<Args>()..., A_NULL);
}

// Method with optional arguments: missing floats read 0, missing symbols the empty symbol.
template <typename Object, typename... Args>
inline void add_method_defaults(t_class *c, const char *selector,
                                void (*method)(Object *, Args...)) {
    auto optional = [](t_atomtype t) {
        return t == A_FLOAT ? A_DEFFLOAT : t == A_SYMBOL ? A_DEFSYM : t;
    };
    class_addmethod(c, reinterpret_cast<t_method>(method), gensym(selector),
                    optional(detail::atom_type_of<Args>())..., A_NULL);
}

// Method taking the whole message: (Object*, t_symbol* selector, int argc, t_atom* argv).
template <typename Object>
inline void add_method(t_class *c, const char *selector,
                       void (*method)(Object *, t_symbol *, int, t_atom *)) {
    class_addmethod(c, reinterpret_cast<t_method>(method), gensym(selector), A_GIMME, A_NULL);
}

template <typename Object>
inline void add_bang(t_class *c, void (*method)(Object *)) {
    class_addbang(c, reinterpret_cast<t_method>(method));
}
template <typename Object>
inline void add_float(t_class *c, void (*method)(Object *, t_floatarg)) {
    class_doaddfloat(c, reinterpret_cast<t_method>(method));
}
template <typename Object>
inline void add_symbol(t_class *c, void (*method)(Object *, t_symbol *)) {
    class_addsymbol(c, reinterpret_cast<t_method>(method));
}
template <typename Object>
inline void add_list(t_class *c, void (*method)(Object *, t_symbol *, int, t_atom *)) {
    class_addlist(c, reinterpret_cast<t_method>(method));
}
template <typename Object>
inline void add_anything(t_class *c, void (*method)(Object *, t_symbol *, int, t_atom *)) {
    class_addanything(c, reinterpret_cast<t_method>(method));
}
template <typename Object>
inline void add_pointer(t_class *c, void (*method)(Object *, t_gpointer *)) {
    class_addpointer(c, reinterpret_cast<t_method>(method));
}

// ---- Signal classes -----------------------------------------------------

// "dsp" is registered with the single argument type A_CANT.
template <typename Object>
inline void add_dsp(t_class *c, void (*dsp)(Object *, t_signal **)) {
    class_addmethod(c, reinterpret_cast<t_method>(dsp), gensym("dsp"), A_CANT, A_NULL);
}

// Left inlet, signal-only form: takes signal connections and has no scalar.
inline void signal_only_left_inlet(t_class *c) {
    class_addmethod(c, reinterpret_cast<t_method>(nullfn), gensym("signal"), A_NULL);
}

// Left inlet, scalar form: the host's CLASS_MAINSIGNALIN with the field named
// here, e.g. VESH_MAIN_SIGNAL_INLET(saw_class, t_saw, frequency).
#define VESH_MAIN_SIGNAL_INLET(c, Object, field) CLASS_MAINSIGNALIN(c, Object, field)

// Appends a perform routine with the object, the vector size and the vectors;
// the word count follows from the arguments.
namespace detail {
template <typename T>
inline t_int to_word(T value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<t_int>(value);
    } else {
        return static_cast<t_int>(value);
    }
}
}  // namespace detail

template <typename... Words>
inline void add_perform(t_perfroutine routine, Words... words) {
    dsp_add(routine, static_cast<int>(sizeof...(Words)), detail::to_word(words)...);
}

// Perform routines receive their words as t_int; these read them back.
template <typename T>
inline T word(t_int *w, int index) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(w[index]);
    } else {
        return static_cast<T>(w[index]);
    }
}

// ---- Perform and dsp routines from a block routine -------------------------
//
// A signal class writes one block routine over its record and its vectors, in
// the host's order (signal inlets left to right, then signal outlets):
//
//   void gain_block(t_gain *x, int n, const t_sample *in, t_sample *out);
//
// and registers it with add_block_dsp<gain_block>(c) or, when the class has
// something to set up at each DSP start (the sample rate, a cache),
// add_block_dsp<gain_block, gain_prepare>(c) with
//
//   void gain_prepare(t_gain *x, t_signal **sp);
//
// The perform routine (block_perform) and the dsp method (block_dsp) follow
// from the block routine. An input vector may share memory with an output:
// read each input sample before writing the output sample.

namespace detail {
template <auto Block>
struct block_traits;
template <typename Object, typename... Vectors, void (*Block)(Object *, int, Vectors...)>
struct block_traits<Block> {
    using object = Object;
    using vectors = std::tuple<Vectors...>;
    static constexpr int count = sizeof...(Vectors);
};
}  // namespace detail

template <auto Block>
t_int *block_perform(t_int *w) {
    using traits = detail::block_traits<Block>;
    [w]<std::size_t... I>(std::index_sequence<I...>) {
        Block(word<typename traits::object *>(w, 1), word<int>(w, 2),
              word<std::tuple_element_t<I, typename traits::vectors>>(w, 3 + I)...);
    }
    (std::make_index_sequence<traits::count>{});
    return w + 3 + traits::count;
}

template <auto Block, auto Prepare = nullptr>
void block_dsp(typename detail::block_traits<Block>::object *x, t_signal **sp) {
    // Tested by type: under the sanitizers, the address of a function with
    // external linkage is not a constant that compares with null.
    if constexpr (!std::is_null_pointer_v<decltype(Prepare)>) Prepare(x, sp);
    [ x, sp ]<std::size_t... I>(std::index_sequence<I...>) {
        add_perform(block_perform<Block>, x, sp[0]->s_n, sp[I]->s_vec...);
    }
    (std::make_index_sequence<detail::block_traits<Block>::count>{});
}

template <auto Block, auto Prepare = nullptr>
void add_block_dsp(t_class *c) {
    add_dsp(c, block_dsp<Block, Prepare>);
}

// ---- Inlets -------------------------------------------------------------

// Secondary signal inlet whose scalar starts at `value`.
inline t_inlet *signal_inlet(t_object *owner, t_float value) {
    t_inlet *in = inlet_new(owner, &owner->ob_pd, &s_signal, &s_signal);
    pd_float(reinterpret_cast<t_pd *>(in), value);
    return in;
}

// Passive inlet that writes floats into a field of the record.
inline t_inlet *float_inlet(t_object *owner, t_float *field) {
    return floatinlet_new(owner, field);
}

// Float inlet redirected to the method registered under `selector`.
inline t_inlet *float_method_inlet(t_object *owner, const char *selector) {
    return inlet_new(owner, &owner->ob_pd, &s_float, gensym(selector));
}

// Inlet that hands any message to a proxy.
inline t_inlet *proxy_inlet(t_object *owner, t_pd *proxy) {
    return inlet_new(owner, proxy, nullptr, nullptr);
}

// Makes an instance of `c` (zero-filled by the host) typed as its record.
template <typename Object>
inline Object *new_object(t_class *c) {
    return reinterpret_cast<Object *>(pd_new(c));
}

}  // namespace vesh
