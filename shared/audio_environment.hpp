// The reporting engine of the sample-rate classes (sr~ and nyquist~): the
// units, the report itself, and the change detection that runs from a clock
// set in every DSP block.
//
// A class keeps a t_rate_report named `rate` in its record and registers the
// shared methods with add_rate_methods<Record>(c, scale), where scale is the
// part of the host's rate the class reports (1 or 0.5).
#pragma once

#include <m_pd.h>

#include "vesh.hpp"

namespace vesh {

// Units as two flags: "khz" divides by 1000, "sec" takes 1 over the value,
// both together ("ms") give milliseconds per sample (or per period).
struct RateUnit {
    int thousands;
    int inverse;
};

// The unit messages: false for any other selector.
inline bool rate_unit_named(t_symbol *s, RateUnit &unit) {
    if (s == gensym("hz")) {
        unit = {0, 0};
    } else if (s == gensym("khz")) {
        unit = {1, 0};
    } else if (s == gensym("ms")) {
        unit = {1, 1};
    } else if (s == gensym("sec")) {
        unit = {0, 1};
    } else {
        return false;
    }
    return true;
}

// The creation flags add to what is set: "-sec" only sets the inverse flag, so
// "-khz -sec" reads as "-ms". False for any other symbol.
inline bool rate_unit_flag(t_symbol *s, RateUnit &unit) {
    if (s == gensym("-khz")) {
        unit.thousands = 1;
    } else if (s == gensym("-ms")) {
        unit = {1, 1};
    } else if (s == gensym("-sec")) {
        unit.inverse = 1;
    } else {
        return false;
    }
    return true;
}

// The thousands step in double precision, the inverse in single.
inline t_float rate_in_unit(t_float value, RateUnit unit) {
    if (unit.thousands) value = static_cast<t_float>(value * 0.001);
    if (unit.inverse) value = 1.0f / value;
    return value;
}

struct t_rate_report {
    t_float reported;  // the host's rate at the last report
    t_float seen;      // the host's rate at the last dsp call
    RateUnit unit;
    t_float scale;  // 1 for the rate, 0.5 for the Nyquist frequency
    t_clock *clock;
    t_outlet *outlet;
};

inline void rate_report(t_rate_report &r) {
    const t_float sr = sys_getsr();
    r.reported = r.seen = sr;
    outlet_float(r.outlet, rate_in_unit(sr * r.scale, r.unit));
}

namespace detail {
template <typename Record>
void rate_tick(Record *x) {
    if (x->rate.seen != x->rate.reported) rate_report(x->rate);
}

template <typename Record>
t_int *rate_perform(t_int *w) {
    clock_delay(word<Record *>(w, 1)->rate.clock, 0);
    return w + 2;
}

// What is reported is the host's rate, so that is what a DSP start is compared
// with: inside an up- or downsampled subpatch the context runs at another
// rate, which would otherwise count as a change at every start.
template <typename Record>
void rate_dsp(Record *x, t_signal **) {
    x->rate.seen = sys_getsr();
    add_perform(rate_perform<Record>, x);
}

template <typename Record>
void rate_bang(Record *x) {
    rate_report(x->rate);
}

// The host's load call carries 0; its other events (initialisation, closing)
// carry other values and are ignored.
template <typename Record>
void rate_loadbang(Record *x, t_floatarg event) {
    if (event == 0) rate_report(x->rate);
}

template <typename Record>
void rate_unit(Record *x, t_symbol *s, int, t_atom *) {
    rate_unit_named(s, x->rate.unit);
    rate_report(x->rate);
}

template <typename Record>
void rate_free(Record *x) {
    clock_free(x->rate.clock);
}
}  // namespace detail

// Makes the clock and the outlet; the creator calls it once the unit is known.
template <typename Record>
inline void rate_report_init(Record *x, RateUnit unit, t_float scale) {
    x->rate.unit = unit;
    x->rate.scale = scale;
    x->rate.clock = clock_new(x, reinterpret_cast<t_method>(detail::rate_tick<Record>));
    x->rate.outlet = outlet_new(&x->x_obj, &s_float);
}

// A class whose record begins with the object header and holds `rate`.
template <typename Record>
inline t_class *new_rate_class(const char *name, GimmeCreator<Record> creator) {
    t_class *c = new_class<Record>(name, creator, detail::rate_free<Record>);
    signal_only_left_inlet(c);
    add_dsp(c, detail::rate_dsp<Record>);
    add_bang(c, detail::rate_bang<Record>);
    add_method_defaults(c, "loadbang", detail::rate_loadbang<Record>);
    for (const char *unit : {"hz", "khz", "ms", "sec"})
        add_method(c, unit, detail::rate_unit<Record>);
    return c;
}

}  // namespace vesh
