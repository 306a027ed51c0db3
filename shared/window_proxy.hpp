// Canvas window helpers shared by the canvas and editor classes: the names of
// a canvas's window, the walk up to a parent canvas, and the window proxy.
//
// The editor talks to a canvas through its window name ".x%lx": every mouse
// event, edit-mode change, zoom or font change is a message to that symbol.
// A window proxy is a bare receiver bound to that name beside the canvas, so a
// class can listen in without touching the canvas.
//
// A proxy is never freed together with its owner: the owner may be deleted
// while the very message the proxy is handling is still being delivered to the
// window name (a click that deletes the object, a patch closed from the
// editor). The owner only clears the proxy's owner pointer and sets the
// proxy's clock to 0 ms; the clock unbinds and frees the proxy one tick later.
// In between the proxy ignores everything.
#pragma once

#include <m_pd.h>
#include <g_canvas.h>

#include "numbers.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace vesh {

// ---- Names and walking ---------------------------------------------------

// ".x%lx": the window (toplevel) of a canvas, to which the editor sends.
inline t_symbol *canvas_window_name(const t_glist *canvas) {
    char buf[MAXPDSTRING];
    std::snprintf(buf, sizeof buf, ".x%lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(canvas)));
    return gensym(buf);
}

// ".x%lx.c": the drawing widget inside that window.
inline t_symbol *canvas_widget_name(const t_glist *canvas) {
    char buf[MAXPDSTRING];
    std::snprintf(buf, sizeof buf, ".x%lx.c",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(canvas)));
    return gensym(buf);
}

// A depth argument as a count of steps: truncated, negative (and NaN) as 0.
// Steps beyond any real nesting only stop at the top, so a huge value is capped
// rather than converted out of range.
inline int canvas_depth(t_float depth) {
    return to_count(depth, 0, 1000000);
}

// Goes up `steps` owners from `canvas`, stopping at a canvas without owner.
// `below`, when given, receives the canvas one step below the one reached
// (the reached canvas itself when no step was taken).
inline t_glist *canvas_walk_up(t_glist *canvas, int steps, t_glist **below = nullptr) {
    t_glist *prev = canvas;
    while (steps-- > 0 && canvas->gl_owner) {
        prev = canvas;
        canvas = canvas->gl_owner;
    }
    if (below) *below = prev;
    return canvas;
}

// The same walk, but from root to root (top-level patches and abstractions).
inline t_glist *canvas_walk_up_roots(t_glist *canvas, int steps) {
    canvas = canvas_getrootfor(canvas);
    while (steps-- > 0 && canvas->gl_owner) canvas = canvas_getrootfor(canvas->gl_owner);
    return canvas;
}

// ---- Window proxy ----------------------------------------------------------

struct t_window_proxy;

// Called for every message reaching the window name while the owner lives.
// The handler reads its owner through the proxy; after each outlet call it
// can test `proxy->owner` to learn whether the owner was deleted meanwhile.
using WindowHandler = void (*)(t_window_proxy *proxy, t_symbol *s, int argc, t_atom *argv);

struct t_window_proxy {
    t_pd pd;
    t_symbol *name;
    t_clock *clock;
    void *owner;  // cleared when the owner is deleted
    WindowHandler handler;
};

// One proxy class per plug-in, made by window_proxy_setup in the entry function.
inline t_class *window_proxy_class;

namespace detail {
inline void window_proxy_anything(t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    if (p->owner) p->handler(p, s, argc, argv);
}

inline void window_proxy_free(t_window_proxy *p) {
    pd_unbind(&p->pd, p->name);
    clock_free(p->clock);
    pd_free(&p->pd);
}
}  // namespace detail

inline void window_proxy_setup() {
    if (window_proxy_class) return;
    // No creator and no box: the empty name keeps the class out of the
    // object maker while any host message that names a class still reads text.
    window_proxy_class =
        class_new(&s_, nullptr, nullptr, sizeof(t_window_proxy), CLASS_PD | CLASS_NOINLET, A_NULL);
    class_addanything(window_proxy_class,
                      reinterpret_cast<t_method>(detail::window_proxy_anything));
}

// Binds a new proxy to the window name of `canvas` on behalf of `owner`.
inline t_window_proxy *window_proxy_new(t_glist *canvas, void *owner, WindowHandler handler) {
    auto *p = reinterpret_cast<t_window_proxy *>(pd_new(window_proxy_class));
    p->name = canvas_window_name(canvas);
    p->clock = clock_new(p, reinterpret_cast<t_method>(detail::window_proxy_free));
    p->owner = owner;
    p->handler = handler;
    pd_bind(&p->pd, p->name);
    return p;
}

// The owner is going away: forget it now, unbind and free one tick later.
inline void window_proxy_release(t_window_proxy *p) {
    if (!p) return;
    p->owner = nullptr;
    clock_delay(p->clock, 0);
}

// The integer part of a value from a message; NaN reads 0, and values far
// beyond any screen saturate at +-1e9 so that the conversion and later
// differences of positions cannot overflow.
inline int integer_part(double value) {
    if (!(value == value)) return 0;
    if (value >= 1e9) return 1000000000;
    if (value <= -1e9) return -1000000000;
    return static_cast<int>(value);
}

}  // namespace vesh
