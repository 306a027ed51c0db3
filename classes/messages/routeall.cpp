// routeall: routes a whole message by the value of one of its elements. The
// element index comes in on the right; element 0 is the selector of a message
// or the first atom of a list. Keys are floats or symbols; a float key only
// matches a float element and a symbol key only a symbol element, apart from
// the keywords "bang", "symbol" and "list" which match the message type.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_routeall {
    t_object x_obj;
    t_atom *keys;
    t_outlet **outlets;  // one per key
    int count;
    t_outlet *reject;
    t_float index;
};

t_class *routeall_class;

// The outlet of the first key that is the symbol `s` or `keyword` (null when
// the message type has no keyword), or the reject outlet.
inline t_outlet *routeall_match_symbol(t_routeall *x, t_symbol *s, t_symbol *keyword) {
    for (int i = 0; i < x->count; i++) {
        const t_atom &key = x->keys[i];
        if (key.a_type == A_SYMBOL && (key.a_w.w_symbol == s || key.a_w.w_symbol == keyword))
            return x->outlets[i];
    }
    return x->reject;
}

// The outlet of the first key that is the float `f` or the symbol `keyword`,
// or the reject outlet.
inline t_outlet *routeall_match_float(t_routeall *x, t_float f, t_symbol *keyword) {
    for (int i = 0; i < x->count; i++) {
        const t_atom &key = x->keys[i];
        if (key.a_type == A_FLOAT ? key.a_w.w_float == f : key.a_w.w_symbol == keyword)
            return x->outlets[i];
    }
    return x->reject;
}

// An element of any type: a float only meets float keys and a symbol only
// symbol keys; anything else (a pointer) can only meet the keyword.
inline t_outlet *routeall_match(t_routeall *x, const t_atom &element, t_symbol *keyword) {
    if (element.a_type == A_FLOAT) return routeall_match_float(x, element.a_w.w_float, keyword);
    if (element.a_type == A_SYMBOL) return routeall_match_symbol(x, element.a_w.w_symbol, keyword);
    return keyword ? routeall_match_symbol(x, keyword, nullptr) : x->reject;
}

// Below 1 (negative and NaN included) the element is 0, the usual case, found
// with one comparison.
int routeall_element(t_routeall *x) {
    const t_float f = x->index;
    return f >= 1 ? vesh::to_index(f) : 0;
}

void routeall_bang(t_routeall *x) {
    t_outlet *out =
        routeall_element(x) == 0 ? routeall_match_symbol(x, &s_bang, nullptr) : x->reject;
    outlet_bang(out);
}

void routeall_symbol(t_routeall *x, t_symbol *s) {
    t_outlet *out = routeall_element(x) == 0 ? routeall_match_symbol(x, s, &s_symbol) : x->reject;
    outlet_symbol(out, s);
}

void routeall_list(t_routeall *x, t_symbol *, int argc, t_atom *argv) {
    if (argc == 0) {
        routeall_bang(x);
        return;
    }
    if (argc == 1 && argv[0].a_type == A_SYMBOL) {
        routeall_symbol(x, argv[0].a_w.w_symbol);
        return;
    }
    int k = routeall_element(x);
    t_outlet *out = x->reject;
    if (k == 0) {
        out = routeall_match(x, argv[0], &s_list);
    } else if (k < argc) {
        out = routeall_match(x, argv[k], nullptr);
    }
    outlet_list(out, &s_list, argc, argv);
}

void routeall_float(t_routeall *x, t_floatarg f) {
    t_atom a;
    SETFLOAT(&a, f);
    t_outlet *out = routeall_element(x) == 0 ? routeall_match_float(x, f, &s_list) : x->reject;
    outlet_list(out, &s_list, 1, &a);
}

void routeall_anything(t_routeall *x, t_symbol *s, int argc, t_atom *argv) {
    int k = routeall_element(x);
    t_outlet *out = x->reject;
    if (k == 0) {
        // The selector is a symbol: only symbol keys can match it.
        out = routeall_match_symbol(x, s, nullptr);
    } else if (k <= argc) {
        out = routeall_match(x, argv[k - 1], nullptr);
    }
    outlet_anything(out, s, argc, argv);
}

void routeall_free(t_routeall *x) {
    if (x->keys) freebytes(x->keys, x->count * sizeof(t_atom));
    if (x->outlets) freebytes(x->outlets, x->count * sizeof(t_outlet *));
}

t_routeall *routeall_new(t_symbol *, int argc, t_atom *argv) {
    t_atom zero;
    SETFLOAT(&zero, 0);
    if (argc == 0) {
        argc = 1;
        argv = &zero;
    }
    auto *x = vesh::new_object<t_routeall>(routeall_class);
    x->keys = static_cast<t_atom *>(getbytes(argc * sizeof(t_atom)));
    x->outlets = static_cast<t_outlet **>(getbytes(argc * sizeof(t_outlet *)));
    x->count = argc;
    if (!x->keys || !x->outlets) {
        pd_error(nullptr, "routeall: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    for (int i = 0; i < argc; i++) {
        // Creation arguments are floats or symbols; anything else keys on 0.
        if (argv[i].a_type == A_SYMBOL) {
            x->keys[i] = argv[i];
        } else {
            SETFLOAT(&x->keys[i], atom_getfloat(&argv[i]));
        }
        x->outlets[i] = outlet_new(&x->x_obj, &s_anything);
    }
    x->reject = outlet_new(&x->x_obj, &s_anything);
    vesh::float_inlet(&x->x_obj, &x->index);
    return x;
}

}  // namespace

VESH_SETUP {
    routeall_class = vesh::new_class(VESH_CLASS_NAME, routeall_new, routeall_free);
    vesh::add_bang(routeall_class, routeall_bang);
    vesh::add_float(routeall_class, routeall_float);
    vesh::add_symbol(routeall_class, routeall_symbol);
    vesh::add_list(routeall_class, routeall_list);
    vesh::add_anything(routeall_class, routeall_anything);
}
