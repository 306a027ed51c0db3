// loadbanger: bangs its outlets, right to left, once when the patch loads (or,
// with "-init", when it is initialised, before its parent is connected), and
// again for any message or a click in run mode.
//
// lb is the same class under a short name: its source sets VESH_HELP_NAME and
// includes this file.
#include "numbers.hpp"
#include "vesh.hpp"

namespace {

constexpr int max_outlets = 64;

// The host's "loadbang" events.
constexpr int load_event = 0;
constexpr int init_event = 1;

struct t_loadbanger {
    t_object x_obj;
    int count;
    t_outlet **outlets;  // `one` when there is a single outlet
    t_outlet *one;
    int init;
    int done;
};

t_class *loadbanger_class;

void loadbanger_fire(t_loadbanger *x) {
    for (int i = x->count; i-- > 0;) outlet_bang(x->outlets[i]);
}

void loadbanger_bang(t_loadbanger *x) {
    loadbanger_fire(x);
}

void loadbanger_anything(t_loadbanger *x, t_symbol *, int, t_atom *) {
    loadbanger_fire(x);
}

// At most one bang per load: an initialised "-init" object skips the load
// call that follows; other events (closing) do nothing.
void loadbanger_loadbang(t_loadbanger *x, t_floatarg event) {
    if (event == init_event) {
        if (!x->init) return;
    } else if (event != load_event || x->done) {
        return;
    }
    x->done = 1;
    loadbanger_fire(x);
}

t_loadbanger *loadbanger_new(t_symbol *, int argc, t_atom *argv) {
    t_float count = 1;
    bool has_count = false, init = false, proper = argc <= 2;
    for (int i = 0; proper && i < argc; i++) {
        if (argv[i].a_type == A_FLOAT && !has_count) {
            count = argv[i].a_w.w_float;
            has_count = true;
        } else {
            proper = argv[i].a_type == A_SYMBOL && argv[i].a_w.w_symbol == gensym("-init");
            init = true;
        }
    }
    if (!proper) return vesh::improper_args<t_loadbanger>(VESH_CLASS_NAME ": improper args");
    const int n = vesh::to_count(count, 1, max_outlets);
    auto *x = vesh::new_object<t_loadbanger>(loadbanger_class);
    x->outlets = n == 1 ? &x->one : static_cast<t_outlet **>(getbytes(n * sizeof(t_outlet *)));
    if (!x->outlets) {
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    x->count = n;
    x->init = init;
    for (int i = 0; i < n; i++) x->outlets[i] = outlet_new(&x->x_obj, &s_bang);
    return x;
}

void loadbanger_free(t_loadbanger *x) {
    if (x->outlets && x->outlets != &x->one) freebytes(x->outlets, x->count * sizeof(t_outlet *));
}

}  // namespace

VESH_SETUP {
    loadbanger_class = vesh::new_class(VESH_CLASS_NAME, loadbanger_new, loadbanger_free);
    vesh::add_bang(loadbanger_class, loadbanger_bang);
    vesh::add_anything(loadbanger_class, loadbanger_anything);
    vesh::add_method_defaults(loadbanger_class, "loadbang", loadbanger_loadbang);
    // Clicked in run mode: the host only offers the click to a class with this method.
    vesh::add_method(loadbanger_class, "click", loadbanger_anything);
#ifdef VESH_HELP_NAME
    class_sethelpsymbol(loadbanger_class, gensym(VESH_HELP_NAME));
#endif
}
