// routetype: routes each message to the outlet of its type. The arguments name
// the types, one outlet each, in order; with five or fewer a last outlet takes
// every type that has no outlet of its own.
#include "vesh.hpp"

#include <cstring>

namespace {

enum message_type { type_bang, type_float, type_symbol, type_list, type_anything, type_pointer };
constexpr int type_count = 6;

struct t_routetype {
    t_object x_obj;
    int enabled[type_count];
    t_outlet *outlets[type_count];
    int has_reject;
    t_outlet *reject;
};

t_class *routetype_class;

// The type an argument names, one-letter or full form, or -1.
int routetype_parse(const t_atom &a) {
    if (a.a_type != A_SYMBOL) return -1;
    static const char *const names[type_count][2] = {{"b", "bang"},     {"f", "float"},
                                                     {"s", "symbol"},   {"l", "list"},
                                                     {"a", "anything"}, {"p", "pointer"}};
    const char *name = a.a_w.w_symbol->s_name;
    for (int t = 0; t < type_count; t++) {
        if (!std::strcmp(name, names[t][0]) || !std::strcmp(name, names[t][1])) return t;
    }
    return -1;
}

// Where a message of type `t` goes: its own outlet, the reject outlet, or nowhere.
t_outlet *routetype_target(t_routetype *x, int t) {
    if (x->enabled[t]) return x->outlets[t];
    return x->has_reject ? x->reject : nullptr;
}

void routetype_bang(t_routetype *x) {
    if (t_outlet *out = routetype_target(x, type_bang)) outlet_bang(out);
}

void routetype_float(t_routetype *x, t_floatarg f) {
    if (t_outlet *out = routetype_target(x, type_float)) outlet_float(out, f);
}

void routetype_symbol(t_routetype *x, t_symbol *s) {
    if (t_outlet *out = routetype_target(x, type_symbol)) outlet_symbol(out, s);
}

void routetype_pointer(t_routetype *x, t_gpointer *p) {
    if (t_outlet *out = routetype_target(x, type_pointer)) outlet_pointer(out, p);
}

void routetype_list(t_routetype *x, t_symbol *, int argc, t_atom *argv) {
    if (argc == 0) {
        routetype_bang(x);
    } else if (argc == 1 && argv[0].a_type == A_SYMBOL) {
        routetype_symbol(x, argv[0].a_w.w_symbol);
    } else if (argc == 1 && argv[0].a_type == A_FLOAT) {
        routetype_float(x, argv[0].a_w.w_float);
    } else if (t_outlet *out = routetype_target(x, type_list)) {
        outlet_list(out, &s_list, argc, argv);
    }
}

void routetype_anything(t_routetype *x, t_symbol *s, int argc, t_atom *argv) {
    if (t_outlet *out = routetype_target(x, type_anything)) outlet_anything(out, s, argc, argv);
}

t_routetype *routetype_new(t_symbol *, int argc, t_atom *argv) {
    for (int i = 0; i < argc; i++) {
        if (routetype_parse(argv[i]) < 0) {
            return vesh::improper_args<t_routetype>("routetype: improper args");
        }
    }
    auto *x = vesh::new_object<t_routetype>(routetype_class);
    static t_symbol *const kinds[type_count] = {&s_bang, &s_float,    &s_symbol,
                                                &s_list, &s_anything, &s_pointer};
    for (int i = 0; i < argc; i++) {
        // A type named twice: the later outlet takes it, the earlier stays silent.
        int t = routetype_parse(argv[i]);
        x->enabled[t] = 1;
        x->outlets[t] = outlet_new(&x->x_obj, kinds[t]);
    }
    x->has_reject = argc <= 5;
    if (x->has_reject) x->reject = outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    routetype_class = vesh::new_class(VESH_CLASS_NAME, routetype_new, nullptr);
    vesh::add_bang(routetype_class, routetype_bang);
    vesh::add_float(routetype_class, routetype_float);
    vesh::add_symbol(routetype_class, routetype_symbol);
    vesh::add_list(routetype_class, routetype_list);
    vesh::add_pointer(routetype_class, routetype_pointer);
    vesh::add_anything(routetype_class, routetype_anything);
}
