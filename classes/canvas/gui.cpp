// gui: sends every message it receives to the editor as one line of Tcl.
#include "vesh.hpp"

namespace {

struct t_gui {
    t_object x_obj;
};

t_class *gui_class;

void gui_anything(t_gui *, t_symbol *s, int argc, t_atom *argv) {
    t_binbuf *b = binbuf_new();
    t_atom selector;
    SETSYMBOL(&selector, s);
    binbuf_add(b, 1, &selector);
    binbuf_add(b, argc, argv);
    char *text = nullptr;
    int length = 0;
    binbuf_gettext(b, &text, &length);
    // The binbuf's text has no terminator; add the line end and one.
    text = static_cast<char *>(resizebytes(text, length, length + 2));
    text[length] = '\n';
    text[length + 1] = '\0';
    sys_gui(text);
    freebytes(text, length + 2);
    binbuf_free(b);
}

t_gui *gui_new() {
    return vesh::new_object<t_gui>(gui_class);
}

}  // namespace

VESH_SETUP {
    gui_class = vesh::new_class<t_gui>(VESH_CLASS_NAME, gui_new, nullptr);
    vesh::add_anything(gui_class, gui_anything);
}
