// Test-only: prints every message it receives on one console line,
//   "probe NAME: SELECTOR ATOM ...", floats with 9 significant digits so that
// single-precision values read back exactly.
#include "vesh.hpp"

#include <cstdio>
#include <string>

namespace {

struct t_probe {
    t_object x_obj;
    t_symbol *name;
};

t_class *probe_class;

t_probe *probe_new(t_symbol *name) {
    auto *x = vesh::new_object<t_probe>(probe_class);
    x->name = name;
    return x;
}

void append_atom(std::string &line, const t_atom &a) {
    char buf[64];
    switch (a.a_type) {
        case A_FLOAT:
            std::snprintf(buf, sizeof buf, " %.9g", a.a_w.w_float);
            line += buf;
            break;
        case A_SYMBOL:
            line += ' ';
            line += a.a_w.w_symbol->s_name;
            break;
        case A_POINTER:
            line += " (pointer)";
            break;
        default:
            line += " (?)";
    }
}

void probe_anything(t_probe *x, t_symbol *s, int argc, t_atom *argv) {
    std::string line = "probe ";
    line += x->name->s_name;
    line += ": ";
    line += s->s_name;
    for (int i = 0; i < argc; i++) append_atom(line, argv[i]);
    // post() cuts long lines; split by hand and mark continuations.
    constexpr size_t chunk = 900;
    for (size_t at = 0; at < line.size(); at += chunk) {
        post("%s%s", at ? "probe+ " : "", line.substr(at, chunk).c_str());
    }
}

void probe_bang(t_probe *x) {
    probe_anything(x, &s_bang, 0, nullptr);
}
void probe_float(t_probe *x, t_floatarg f) {
    t_atom a;
    SETFLOAT(&a, f);
    probe_anything(x, &s_float, 1, &a);
}
void probe_symbol(t_probe *x, t_symbol *s) {
    t_atom a;
    SETSYMBOL(&a, s);
    probe_anything(x, &s_symbol, 1, &a);
}
void probe_list(t_probe *x, t_symbol *, int argc, t_atom *argv) {
    probe_anything(x, &s_list, argc, argv);
}
void probe_pointer(t_probe *x, t_gpointer *) {
    t_atom a;
    a.a_type = A_POINTER;
    probe_anything(x, &s_pointer, 1, &a);
}

}  // namespace

VESH_SETUP {
    probe_class = vesh::new_class<t_probe>(VESH_CLASS_NAME, probe_new, nullptr);
    vesh::add_bang(probe_class, probe_bang);
    vesh::add_float(probe_class, probe_float);
    vesh::add_symbol(probe_class, probe_symbol);
    vesh::add_list(probe_class, probe_list);
    vesh::add_pointer(probe_class, probe_pointer);
    vesh::add_anything(probe_class, probe_anything);
}
