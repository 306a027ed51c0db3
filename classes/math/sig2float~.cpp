// sig2float~: samples a signal at a chosen position of the block and sends
// the value as a float, periodically (at most once a block). The value goes
// out from a clock after the block, never from inside the signal tick.
//
// s2f~ is the same class under a short name: its source sets VESH_HELP_NAME
// and includes this file.
#include <climits>

#include "numbers.hpp"
#include "vesh.hpp"

namespace {

struct t_sig2float {
    t_object x_obj;
    t_float value;  // the sample taken in the latest block
    int requested_offset;
    int offset;  // requested offset within the block
    int running;
    t_float period_time;  // ms
    int period;           // samples to count after an output
    int countdown;
    int block_size;
    t_float samples_per_ms;
    t_clock *clock;
    t_outlet *outlet;
};

t_class *sig2float_class;

// Whole, non-negative, and inside an int.
int offset_from(t_float f) {
    if (!(f > 0)) return 0;
    return f < 2147483520.0f ? static_cast<int>(f) : INT_MAX;
}

t_float period_time_from(t_float ms) {
    return ms > 0 ? ms : 0;
}

void sig2float_recompute(t_sig2float *x) {
    x->offset = x->requested_offset < x->block_size ? x->requested_offset : x->block_size - 1;
    float period = x->period_time * x->samples_per_ms;
    period = static_cast<float>(period - static_cast<float>(x->block_size));
    period = static_cast<float>(period + static_cast<float>(x->offset));
    x->period = period < 2147483520.0f ? static_cast<int>(period) : INT_MAX;
    if (!x->running) clock_unset(x->clock);
}

void sig2float_tick(t_sig2float *x) {
    outlet_float(x->outlet, x->value);
}

t_sig2float *sig2float_new(t_symbol *, int argc, t_atom *argv) {
    t_float period_time = 0, offset = 0;
    bool off = false;
    if (vesh::read_args(argc, argv, {&period_time, &offset}, {{"-off", &off}}) < 0) {
        return vesh::improper_args<t_sig2float>(VESH_CLASS_NAME ": improper args");
    }
    auto *x = vesh::new_object<t_sig2float>(sig2float_class);
    x->period_time = period_time_from(period_time);
    x->requested_offset = offset_from(offset);
    x->running = !off;
    x->block_size = 64;
    x->samples_per_ms = 44.1f;
    x->clock = clock_new(x, reinterpret_cast<t_method>(sig2float_tick));
    vesh::float_method_inlet(&x->x_obj, "\f");
    x->outlet = outlet_new(&x->x_obj, &s_float);
    sig2float_recompute(x);
    x->countdown = x->offset;
    return x;
}

void sig2float_free(t_sig2float *x) {
    clock_free(x->clock);
}

void sig2float_start(t_sig2float *x) {
    if (x->running) return;
    x->running = 1;
    x->countdown = x->offset;
}

void sig2float_stop(t_sig2float *x) {
    x->running = 0;
    clock_unset(x->clock);
}

void sig2float_float(t_sig2float *x, t_floatarg f) {
    if (f != 0) {
        sig2float_start(x);
    } else {
        sig2float_stop(x);
    }
}

void sig2float_bang(t_sig2float *x) {
    x->countdown = x->offset;
}

// Right inlet: a new period, and an output at the next block.
void sig2float_period(t_sig2float *x, t_floatarg ms) {
    x->period_time = period_time_from(ms);
    sig2float_recompute(x);
    x->countdown = x->offset;
}

void sig2float_set(t_sig2float *x, t_floatarg ms) {
    x->period_time = period_time_from(ms);
    sig2float_recompute(x);
}

void sig2float_offset(t_sig2float *x, t_floatarg f) {
    x->requested_offset = offset_from(f);
    sig2float_recompute(x);
}

void sig2float_block(t_sig2float *x, int n, const t_sample *in) {
    x->value = in[x->offset];
    if (x->running) {
        if (x->countdown < n) {
            clock_delay(x->clock, 0);
            x->countdown = x->period;
        } else {
            x->countdown -= n;
        }
    }
}

void sig2float_prepare(t_sig2float *x, t_signal **sp) {
    x->block_size = sp[0]->s_n;
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
    sig2float_recompute(x);
    x->countdown = x->offset;
}

}  // namespace

VESH_SETUP {
    sig2float_class = vesh::new_class<t_sig2float>(VESH_CLASS_NAME, sig2float_new, sig2float_free);
    // A signal inlet without a scalar: floats go to the float method.
    class_domainsignalin(sig2float_class, -1);
    vesh::add_block_dsp<sig2float_block, sig2float_prepare>(sig2float_class);
    vesh::add_float(sig2float_class, sig2float_float);
    vesh::add_bang(sig2float_class, sig2float_bang);
    vesh::add_method(sig2float_class, "start", sig2float_start);
    vesh::add_method(sig2float_class, "stop", sig2float_stop);
    vesh::add_method(sig2float_class, "\f", sig2float_period);
    vesh::add_method(sig2float_class, "set", sig2float_set);
    vesh::add_method(sig2float_class, "offset", sig2float_offset);
#ifdef VESH_HELP_NAME
    class_sethelpsymbol(sig2float_class, gensym(VESH_HELP_NAME));
#endif
}
