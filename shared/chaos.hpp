// The class shell of the clocked chaotic generators: record, creator, inlets
// and outlets, perform and dsp routines, all produced from a map policy. The
// iteration clock (iteration_clock.hpp) fires the map at the rate of the main
// inlet; between iterations the outputs hold (or, for a map that draws them,
// follow `between`).
//
// A map policy gives:
//   struct state;                        its coefficients and state numbers
//   static bool make(state &, creation &);
//                                        reads the creation arguments (the
//                                        rate starts at sr / 2); false refuses
//                                        them, after reporting
//   static bool iterate(state &, const t_sample *inputs);
//                                        one iteration; true when the outputs
//                                        are to be taken anew from the state
//   static void show(const state &, t_sample *outputs);
//                                        the outputs the state stands for
//                                        (not needed with `between`)
//   static void setup(t_class *);        the map's own messages (may be empty)
// and may give:
//   static constexpr int inputs;         signal inlets after the rate's, read
//                                        at each iteration (default 0)
//   static constexpr int outputs;        signal outlets (default 1)
//   using clock_real = float;            the clock's step in single precision
//   static constexpr bool last_output_starts_at_zero = true;
//                                        the held output is 0 until the first
//                                        iteration rather than the state's
//   static float between(const state &, double phase);
//                                        the output between iterations, from
//                                        the clock's phase, instead of holding
//
// A class file holds its policy and `VESH_SETUP { vesh::chaos::setup<Map>(); }`;
// its methods take the record, vesh::chaos::t_chaos<Map>.
#pragma once

#include "args.hpp"
#include "iteration_clock.hpp"
#include "vesh.hpp"

#include <cmath>
#include <cstdio>

namespace vesh::chaos {

template <typename Map>
constexpr int inputs_of() {
    if constexpr (requires { Map::inputs; }) return Map::inputs;
    return 0;
}

template <typename Map>
constexpr int outputs_of() {
    if constexpr (requires { Map::outputs; }) return Map::outputs;
    return 1;
}

template <typename Map>
struct clock_real_of {
    using type = double;  // only the rate's sample is narrow
};
template <typename Map>
requires requires {
    typename Map::clock_real;
}
struct clock_real_of<Map> {
    using type = typename Map::clock_real;
};

template <typename Map>
struct t_chaos {
    t_object x_obj;
    t_float rate;  // main-inlet scalar, Hz
    t_float sr;
    double phase;  // of the iteration clock
    typename Map::state map;
    t_sample held[outputs_of<Map>()];  // outputs between iterations
};

// What a map's creator reads and fills in.
struct creation {
    int argc;
    const t_atom *argv;
    t_float sr;         // the sample rate at creation
    double rate;        // iteration rate in Hz; starts at sr / 2
    t_float inputs[2];  // starting values of the extra signal inlets
};

// Takes the outputs anew from the state, as after an iteration; for a message
// that sets the state of a map whose output is the state itself.
template <typename Map>
void show(t_chaos<Map> *o) {
    if constexpr (requires { Map::show(o->map, o->held); }) Map::show(o->map, o->held);
}

// A message that sets state or coefficient numbers. When `refused` (its
// length is wrong) it is reported with `refusal` and changes nothing;
// otherwise each element that is not a float is reported as
// "<class>: <what> needs to only contain floats", then skipped or, by `rule`,
// ends the reading.
inline void set_numbers(void *owner, int argc, const t_atom *argv, bool refused,
                        const char *refusal, const char *what,
                        std::initializer_list<double *> values, NonFloat rule) {
    if (refused) {
        pd_error(owner, "%s", refusal);
        return;
    }
    char complaint[MAXPDSTRING];
    std::snprintf(complaint, sizeof complaint, "%s: %s needs to only contain floats",
                  VESH_CLASS_NAME, what);
    set_floats(owner, argc, argv, values, rule, complaint);
}

// The attractors' argument rule: floats only (read_floats: the rate, then
// `values`), else "<class>: arguments needs to only contain floats" and no
// object.
inline bool read_float_args(creation &c, std::initializer_list<double *> values) {
    if (read_floats<double>(c.argc, c.argv, values)) return true;
    improper_args(VESH_CLASS_NAME ": arguments needs to only contain floats");
    return false;
}

// Words: object, n, rate, the extra inputs, the outputs.
template <typename Map>
t_int *perform(t_int *w) {
    constexpr int I = inputs_of<Map>(), O = outputs_of<Map>();
    using Real = typename clock_real_of<Map>::type;
    auto *o = word<t_chaos<Map> *>(w, 1);
    const int n = word<int>(w, 2);
    const auto *rate = word<t_sample *>(w, 3);
    const t_sample *in[I + 1];
    for (int k = 0; k < I; k++) in[k] = word<t_sample *>(w, 4 + k);
    t_sample *out[O];
    for (int k = 0; k < O; k++) out[k] = word<t_sample *>(w, 4 + I + k);
    const Real inv_sr = Real(1) / o->sr;
    typename Map::state s = o->map;
    t_sample held[O];
    for (int k = 0; k < O; k++) held[k] = o->held[k];

    // Runs before out[i] is written, so an input may share memory with an output.
    auto iterate = [&](int i) {
        t_sample now[I + 1];
        for (int k = 0; k < I; k++) now[k] = in[k][i];
        if (Map::iterate(s, now)) {
            if constexpr (requires { Map::show(s, held); }) Map::show(s, held);
        }
    };
    vesh::clock_run(o->phase, rate, n, inv_sr, iterate, [&](int i, double t) {
        if constexpr (requires { Map::between(s, t); }) {
            out[0][i] = Map::between(s, t);
        } else {
            for (int k = 0; k < O; k++) out[k][i] = held[k];
        }
    });

    o->map = s;
    for (int k = 0; k < O; k++) o->held[k] = held[k];
    return w + 4 + I + O;
}

template <typename Map>
void dsp(t_chaos<Map> *o, t_signal **sp) {
    constexpr int vectors = 1 + inputs_of<Map>() + outputs_of<Map>();
    o->sr = sp[0]->s_sr;
    [ o, sp ]<std::size_t... K>(std::index_sequence<K...>) {
        add_perform(perform<Map>, o, sp[0]->s_n, sp[K]->s_vec...);
    }
    (std::make_index_sequence<vectors>{});
}

template <typename Map>
inline t_class *chaos_class;

template <typename Map>
t_chaos<Map> *creator(t_symbol *, int argc, t_atom *argv) {
    const t_float sr = sys_getsr();
    creation args = {argc, argv, sr, sr * 0.5f, {0, 0}};
    typename Map::state s{};
    if (!Map::make(s, args)) return nullptr;
    auto *o = new_object<t_chaos<Map>>(chaos_class<Map>);
    o->rate = static_cast<t_float>(args.rate);
    o->sr = sr;
    o->phase = clock_start_phase(o->rate);
    o->map = s;
    if constexpr (!requires { Map::last_output_starts_at_zero; }) show(o);
    for (int k = 0; k < inputs_of<Map>(); k++) signal_inlet(&o->x_obj, args.inputs[k]);
    for (int k = 0; k < outputs_of<Map>(); k++) outlet_new(&o->x_obj, &s_signal);
    return o;
}

template <typename Map>
t_class *setup() {
    using Object = t_chaos<Map>;
    t_class *c = new_class<Object>(VESH_CLASS_NAME, creator<Map>, nullptr);
    VESH_MAIN_SIGNAL_INLET(c, Object, rate);
    add_dsp(c, dsp<Map>);
    chaos_class<Map> = c;
    Map::setup(c);
    return c;
}

}  // namespace vesh::chaos
