// timed.gate~: an onset (a change from 0 to anything else) opens a gate for a
// time in milliseconds, at the level of the onset sample. A float opens it at
// that level, a bang at the level it had.
#include <algorithm>
#include <cstdint>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_timed_gate {
    t_object x_obj;
    t_inlet *duration_inlet;
    t_float samples_per_ms;
    t_float level;
    t_float previous;
    int64_t count;  // samples since the gate opened; past the duration it is shut
    int retrigger;
};

t_class *timed_gate_class;

t_timed_gate *timed_gate_new(t_floatarg ms, t_floatarg level, t_floatarg retrigger) {
    auto *x = vesh::new_object<t_timed_gate>(timed_gate_class);
    ms = std::max<t_float>(ms, 0);
    x->duration_inlet = vesh::signal_inlet(&x->x_obj, ms);
    outlet_new(&x->x_obj, &s_signal);
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    x->level = level != 0 ? level : 1;
    x->retrigger = retrigger != 0;
    x->count = int64_t{vesh::ms_to_samples(ms, x->samples_per_ms)} + 1;  // starts shut
    return x;
}

void timed_gate_float(t_timed_gate *x, t_floatarg f) {
    x->level = f;
    x->count = 0;
}

void timed_gate_bang(t_timed_gate *x) {
    x->count = 0;
}

// Negative times are ignored.
void timed_gate_ms(t_timed_gate *x, t_floatarg f) {
    if (f >= 0) pd_float(reinterpret_cast<t_pd *>(x->duration_inlet), f);
}

void timed_gate_retrigger(t_timed_gate *x, t_floatarg f) {
    x->retrigger = f != 0;
}

void timed_gate_block(t_timed_gate *x, int n, const t_sample *in, const t_sample *ms,
                      t_sample *out) {
    using namespace vesh::trigger;
    const Lengths duration(ms, n, x->samples_per_ms);
    const bool retrigger = x->retrigger;
    float level = x->level;
    float previous = x->previous;
    int64_t q = x->count;
    int i = 0;
    while (i < n) {
        // A shut gate stays shut through groups of four without an onset.
        if (duration.constant() && q >= duration[0]) {
            for (; i + 4 <= n; i += 4) {
                const lanes v = four(in + i);
                lanes p = after(v);
                p[0] = previous;
                if (any((p == lanes{}) & (v != lanes{}))) break;
                put(out + i, lanes{});
                q += 4;
                previous = v[3];
            }
            if (i == n) break;
        }
        const float v = in[i];
        const int64_t d = duration[i];
        const bool open = ++q <= d;
        // An open gate without retrigger ignores onsets.
        if ((retrigger || !open) && onset(previous, v)) {
            level = v;
            q = 0;
        }
        out[i] = open ? level : 0;
        previous = v;
        i++;
    }
    x->level = level;
    x->previous = previous;
    x->count = q;
}

void timed_gate_prepare(t_timed_gate *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    timed_gate_class = vesh::new_class(VESH_CLASS_NAME, timed_gate_new, nullptr);
    vesh::signal_only_left_inlet(timed_gate_class);
    vesh::add_block_dsp<timed_gate_block, timed_gate_prepare>(timed_gate_class);
    vesh::add_float(timed_gate_class, timed_gate_float);
    vesh::add_bang(timed_gate_class, timed_gate_bang);
    vesh::add_method(timed_gate_class, "ms", timed_gate_ms);
    vesh::add_method(timed_gate_class, "retrigger", timed_gate_retrigger);
}
