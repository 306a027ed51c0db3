// canvas.active: reports whether a patch window has the keyboard focus.
//
// The editor does not tell the patch about focus changes by itself, so the
// first object installs a few Tcl procedures and bindings in the editor that
// send "_focus <widget> 1|0" to one process-wide receiver, the GUI sink bound
// to "#active_gui". The sink forwards them to every object bound to
// "#active_focus"; each object compares the widget with its own window's.
#include "vesh.hpp"
#include "window_proxy.hpp"

#include <string_view>

namespace {

// ---- The GUI sink --------------------------------------------------------

struct t_active_gui {
    t_pd pd;
    t_symbol *name;   // "#active_gui"
    t_symbol *focus;  // "#active_focus", once the focus events are declared
};

t_class *active_gui_class;
t_active_gui *gui_sink;

const char *const tcl_procedures[] = {
    "proc active_gui_exithook {cmd op} {proc ::pdsend {} {}}\n",
    "if {[info tclversion] >= 8.4} {\n"  // NOLINT(bugprone-suspicious-missing-comma): one line
    "            trace add execution exit enter active_gui_exithook}\n",
    "proc active_gui_ispatcher {cv} {\n",
    " if {[string range $cv 0 1] == \".x\"",
    "  && [string range $cv end-1 end] == \".c\"} {\n",
    "  return 1 } else { return 0 }\n",
    "}\n",
    "proc active_gui_getscreen {} {\n",
    " set px [winfo pointerx .]\n",
    " set py [winfo pointery .]\n",
    " pdsend \"#active_mouse _getscreen $px $py\"\n",
    "}\n",
    "proc active_gui_getscreenfocused {} {\n",
    " set px [winfo pointerx .]\n",
    " set py [winfo pointery . ]\n",
    " set wx [winfo x $::focused_active]\n",
    " set wy [winfo y $::focused_active]\n",
    " pdsend \"#active_mouse _getscreenfocused ",
    "$px $py $wx $wy\"\n",
    "}\n",
    "proc active_gui_refocus {} {\n",
    " bind Canvas <<active_focusin>> {}\n",
    " bind Canvas <<active_focusout>> {}\n",
    " pdsend {#active_gui _refocus}\n",
    "}\n",
};

void active_gui_bind_focus(t_active_gui *sink) {
    sys_vgui(
        "bind Canvas <<active_focusin>>              {if {[active_gui_ispatcher %%W]}"
        "              {pdsend {%s _focus %%W 1}}}\n",
        sink->name->s_name);
    sys_vgui(
        "bind Canvas <<active_focusout>>              {if {[active_gui_ispatcher %%W]}"
        "              {pdsend {%s _focus %%W 0}}}\n",
        sink->name->s_name);
}

void active_gui_refocus(t_active_gui *x) {
    if (x->focus && x->focus->s_thing) active_gui_bind_focus(x);
}

void active_gui_focus(t_active_gui *x, t_symbol *widget, t_floatarg value) {
    if (!x->focus || !x->focus->s_thing) return;
    t_atom args[2];
    SETSYMBOL(&args[0], widget);
    SETFLOAT(&args[1], value);
    pd_typedmess(x->focus->s_thing, gensym("_focus"), 2, args);
}

// Finds or makes the sink. Another copy of this class (from another build of
// the library) may already own "#active_gui"; its sink is adopted. Anything
// else bound there is left alone and the object goes without focus reports.
t_active_gui *active_gui_get() {
    if (gui_sink) return gui_sink;
    t_symbol *name = gensym("#active_gui");
    if (!active_gui_class) {
        if (name->s_thing) {
            if (std::string_view(class_getname(pd_class(name->s_thing))) != "_active_gui")
                return nullptr;
            active_gui_class = pd_class(name->s_thing);
        } else {
            active_gui_class = class_new(gensym("_active_gui"), nullptr, nullptr,
                                         sizeof(t_active_gui), CLASS_PD | CLASS_NOINLET, A_NULL);
            vesh::add_method(active_gui_class, "_refocus", active_gui_refocus);
            vesh::add_method(active_gui_class, "_focus", active_gui_focus);
            for (const char *text : tcl_procedures) sys_gui(text);
        }
    }
    if (name->s_thing) {
        if (pd_class(name->s_thing) != active_gui_class) return nullptr;
        gui_sink = reinterpret_cast<t_active_gui *>(name->s_thing);
    } else {
        gui_sink = reinterpret_cast<t_active_gui *>(pd_new(active_gui_class));
        gui_sink->name = name;
        pd_bind(&gui_sink->pd, name);
    }
    return gui_sink;
}

// ---- The object ------------------------------------------------------------

struct t_canvas_active {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_symbol *widget;  // ".x%lx.c" of the window watched
    int mouse;         // the last press in the window was not with button 1
    int active;
    int listening;  // bound to the focus broadcast
};

t_class *canvas_active_class;

void canvas_active_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_active *>(p->owner);
    if (s == gensym("mouse") && argc >= 3) x->mouse = atom_getfloat(argv + 2) != 1;
}

void canvas_active_focus(t_canvas_active *x, t_symbol *widget, t_floatarg value) {
    int own = widget == x->widget;
    if (value != 0) {
        if (own != x->active) {
            x->active = own;
            outlet_float(x->x_obj.ob_outlet, own);
        }
    } else if (own && x->active && !x->mouse) {
        // A popup menu opened with another button takes the focus for a
        // moment; that loss is not reported.
        x->active = 0;
        outlet_float(x->x_obj.ob_outlet, 0);
    }
}

t_canvas_active *canvas_active_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_active>(canvas_active_class);
    x->proxy = vesh::window_proxy_new(canvas, x, canvas_active_window);
    x->widget = vesh::canvas_widget_name(canvas);
    outlet_new(&x->x_obj, &s_float);
    if (t_active_gui *sink = active_gui_get()) {
        if (!sink->focus) {
            sink->focus = gensym("#active_focus");
            sys_gui("event add <<active_focusin>> <FocusIn>\n");
            sys_gui("event add <<active_focusout>> <FocusOut>\n");
        }
        if (!sink->focus->s_thing) active_gui_bind_focus(sink);
        pd_bind(&x->x_obj.ob_pd, sink->focus);
        x->listening = 1;
    }
    return x;
}

void canvas_active_free(t_canvas_active *x) {
    if (x->listening && gui_sink && gui_sink->focus) {
        pd_unbind(&x->x_obj.ob_pd, gui_sink->focus);
        if (!gui_sink->focus->s_thing) sys_gui("active_gui_refocus\n");
    }
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    canvas_active_class = vesh::new_class<t_canvas_active>(VESH_CLASS_NAME, canvas_active_new,
                                                           canvas_active_free, CLASS_NOINLET);
    vesh::add_method(canvas_active_class, "_focus", canvas_active_focus);
}
