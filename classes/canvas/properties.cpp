// properties: takes over the Properties action of a patch: choosing it bangs
// the outlet of every [properties] registered for that patch instead of
// opening the editor's dialog. Patches without one keep the dialog.
#include "vesh.hpp"
#include "window_proxy.hpp"

#include <vector>

namespace {

struct t_properties {
    t_object x_obj;
    t_glist *canvas;
};

struct CanvasEntry {
    t_glist *canvas;
    std::vector<t_properties *> objects;  // in creation order
};

t_class *properties_class;
// Entries are kept in order of first use and never removed; a deleted object
// only leaves its entry's list.
std::vector<CanvasEntry> *s_canvaslist;
t_propertiesfn x_properties_fn;

CanvasEntry *properties_entry(t_glist *canvas) {
    for (CanvasEntry &e : *s_canvaslist)
        if (e.canvas == canvas) return &e;
    return nullptr;
}

bool properties_registered(t_glist *canvas, t_properties *x) {
    CanvasEntry *e = properties_entry(canvas);
    if (!e) return false;
    for (t_properties *y : e->objects)
        if (y == x) return true;
    return false;
}

void properties_properties(t_gobj *z, t_glist *owner) {
    auto *canvas = reinterpret_cast<t_glist *>(z);
    CanvasEntry *e = pd_class(&z->g_pd) == canvas_class ? properties_entry(canvas) : nullptr;
    if (!e || e->objects.empty()) {
        if (x_properties_fn) x_properties_fn(z, owner);
        return;
    }
    // A bang may delete objects of this list (or add to it), so walk a copy
    // and skip whatever has left the registry meanwhile.
    std::vector<t_properties *> objects = e->objects;
    for (t_properties *x : objects)
        if (properties_registered(canvas, x)) outlet_bang(x->x_obj.ob_outlet);
}

t_properties *properties_new(t_floatarg which) {
    t_glist *canvas = glist_getcanvas(canvas_getcurrent());
    if (which == 0)
        while (!canvas->gl_env && canvas->gl_owner) canvas = canvas->gl_owner;
    auto *x = vesh::new_object<t_properties>(properties_class);
    x->canvas = canvas;
    t_propertiesfn current = class_getpropertiesfn(canvas_class);
    if (current != properties_properties) x_properties_fn = current;
    class_setpropertiesfn(canvas_class, properties_properties);
    outlet_new(&x->x_obj, &s_bang);
    CanvasEntry *e = properties_entry(canvas);
    if (!e) {
        s_canvaslist->push_back({canvas, {}});
        e = &s_canvaslist->back();
    }
    if (!properties_registered(canvas, x)) e->objects.push_back(x);
    return x;
}

void properties_free(t_properties *x) {
    if (CanvasEntry *e = properties_entry(x->canvas)) std::erase(e->objects, x);
}

}  // namespace

VESH_SETUP {
    // Kept for the life of the process: the canvas class keeps pointing here.
    s_canvaslist = new std::vector<CanvasEntry>;
    x_properties_fn = nullptr;
    properties_class = vesh::new_class<t_properties>(VESH_CLASS_NAME, properties_new,
                                                     properties_free, CLASS_NOINLET);
}
