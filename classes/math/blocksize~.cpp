// blocksize~: reports the block size of the DSP context it sits in (a
// reblocked subpatch has its own), in samples, in ms, or as the block rate in
// Hz: after a DSP start that changes it, and on request.
#include "vesh.hpp"

namespace {

enum BlockUnit { samples = 0, milliseconds = 1, hertz = 2 };

struct t_blocksize {
    t_object x_obj;
    t_float reported;  // 0 until the first DSP run
    t_float seen;
    t_float rate;       // the rate the reported size is converted with
    t_float seen_rate;  // the context's rate at the last dsp call
    int unit;
    t_clock *clock;
};

t_class *blocksize_class;

void blocksize_output(t_blocksize *x) {
    t_float v = x->reported;
    if (x->unit == milliseconds) {
        v = static_cast<t_float>(v * (1000.0 / x->rate));
    } else if (x->unit == hertz) {
        v = static_cast<t_float>(static_cast<double>(x->rate) / v);
    }
    outlet_float(x->x_obj.ob_outlet, v);
}

// A new size is converted at the context's rate of the same DSP run, so one
// change gives one report; a new rate alone matters only to ms and Hz.
void blocksize_tick(t_blocksize *x) {
    const bool rate_changed = x->seen_rate != x->rate;
    x->rate = x->seen_rate;
    if (x->seen != x->reported) {
        x->reported = x->seen;
        blocksize_output(x);
    } else if (rate_changed && x->unit != samples) {
        blocksize_output(x);
    }
}

t_int *blocksize_perform(t_int *w) {
    clock_delay(vesh::word<t_blocksize *>(w, 1)->clock, 0);
    return w + 2;
}

void blocksize_dsp(t_blocksize *x, t_signal **sp) {
    x->seen = static_cast<t_float>(sp[0]->s_n);
    x->seen_rate = sp[0]->s_sr;
    vesh::add_perform(blocksize_perform, x);
}

void blocksize_bang(t_blocksize *x) {
    if (x->reported != 0) blocksize_output(x);
}

void blocksize_switch(t_blocksize *x, int unit) {
    if (x->unit == unit) return;
    x->unit = unit;
    blocksize_bang(x);
}

void blocksize_samps(t_blocksize *x) {
    blocksize_switch(x, samples);
}

void blocksize_ms(t_blocksize *x) {
    blocksize_switch(x, milliseconds);
}

void blocksize_hz(t_blocksize *x) {
    blocksize_switch(x, hertz);
}

t_blocksize *blocksize_new(t_symbol *, int argc, t_atom *argv) {
    int unit = samples;
    if (argc > 0) {
        const t_symbol *s = argv[0].a_type == A_SYMBOL ? argv[0].a_w.w_symbol : nullptr;
        if (s == gensym("-ms")) {
            unit = milliseconds;
        } else if (s == gensym("-hz")) {
            unit = hertz;
        } else {
            return vesh::improper_args<t_blocksize>("[blocksize~]: improper args");
        }
    }
    auto *x = vesh::new_object<t_blocksize>(blocksize_class);
    x->unit = unit;
    x->rate = x->seen_rate = sys_getsr();
    x->clock = clock_new(x, reinterpret_cast<t_method>(blocksize_tick));
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void blocksize_free(t_blocksize *x) {
    clock_free(x->clock);
}

}  // namespace

VESH_SETUP {
    blocksize_class = vesh::new_class(VESH_CLASS_NAME, blocksize_new, blocksize_free);
    vesh::signal_only_left_inlet(blocksize_class);
    vesh::add_dsp(blocksize_class, blocksize_dsp);
    vesh::add_bang(blocksize_class, blocksize_bang);
    vesh::add_method(blocksize_class, "samps", blocksize_samps);
    vesh::add_method(blocksize_class, "ms", blocksize_ms);
    vesh::add_method(blocksize_class, "hz", blocksize_hz);
}
