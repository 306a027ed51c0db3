// float2sig~: floats to a signal. Each new float becomes the target of a
// straight-line ramp whose length (the right inlet, in ms) is rounded to whole
// samples; the signal holds the target exactly once the ramp is over.
//
// f2s~ is the same class under a short name: its source sets
// VESH_HELP_NAME and includes this file.
#include "big_or_small.hpp"
#include "block.hpp"
#include "numbers.hpp"
#include "vesh.hpp"

namespace {

struct t_float2sig {
    t_object x_obj;
    double increment;  // 1 / ramp length, or 0; as planned for the running ramp
    t_float current;
    t_float reached;  // the target the running ramp heads for
    t_float target;   // the latest float
    t_float samples_per_ms;
    t_float ramp_time;  // ms, passive right inlet
    double step;
    int counter;  // samples of the ramp still to run
    int length;   // the ramp length that increment was worked out from
};

t_class *float2sig_class;

double ramp_increment(int length) {
    return length > 0 ? 1.0 / length : 0.0;
}

t_float2sig *float2sig_new(t_floatarg ramp_time, t_floatarg initial) {
    auto *x = vesh::new_object<t_float2sig>(float2sig_class);
    x->ramp_time = ramp_time;
    x->target = x->reached = x->current = initial;
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    x->length = vesh::ms_to_samples(x->ramp_time, x->samples_per_ms);
    x->increment = ramp_increment(x->length);
    vesh::float_inlet(&x->x_obj, &x->ramp_time);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void float2sig_float(t_float2sig *x, t_floatarg f) {
    x->target = f;
}

void float2sig_block(t_float2sig *x, int n, t_sample *out) {
    // The ramp time, the sample rate and the target only change between
    // blocks, so the length is worked out once per block, and the increment
    // (a division) only when the length changes.
    const int length = vesh::ms_to_samples(x->ramp_time, x->samples_per_ms);
    double increment = x->increment;
    bool replan = false;
    if (length != x->length) {
        x->length = length;
        const double planned = ramp_increment(length);
        replan = planned != increment;
        increment = planned;
    }
    const float target = x->target;
    if (!replan && x->reached == target && x->counter < 1) {
        // Holding: nothing changes, and the stored values are already flushed.
        vesh::fill(out, n, target);
        return;
    }
    float current = x->current;
    float reached = x->reached;
    double step = x->step;
    int counter = x->counter;
    int i = 0;

    if (replan) {
        // New ramp time: re-plan what is left from the value reached.
        x->increment = increment;
        if (current == target || length < 2) {
            current = target;
            step = 0;
            counter = 0;
            out[i++] = target;
        } else {
            step = static_cast<float>(target - current) * increment;
            current = static_cast<float>(current + step);
            out[i++] = current;
            counter = length;
        }
    }
    if (i < n && reached != target) {
        // A new target.
        if (current == target || length < 2) {
            current = reached = target;
            step = 0;
            counter = 0;
            out[i++] = target;
        } else {
            step = static_cast<float>(target - current) * increment;
            reached = target;
            current = static_cast<float>(current + step);
            out[i++] = current;
            counter = length;
        }
    }
    for (; i < n && counter >= 1; i++) {
        counter--;
        current = static_cast<float>(current + step);
        out[i] = current;
        if (counter == 1) {
            // The last sample lands on the target exactly.
            current = reached;
            step = 0;
        }
    }
    vesh::fill(out + i, n - i, reached);

    x->current = vesh::flush_big_or_small(current);
    x->reached = vesh::flush_big_or_small(reached);
    x->step = step;
    x->counter = counter;
}

void float2sig_prepare(t_float2sig *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    float2sig_class = vesh::new_class<t_float2sig>(VESH_CLASS_NAME, float2sig_new, nullptr);
    vesh::add_block_dsp<float2sig_block, float2sig_prepare>(float2sig_class);
    vesh::add_float(float2sig_class, float2sig_float);
#ifdef VESH_HELP_NAME
    class_sethelpsymbol(float2sig_class, gensym(VESH_HELP_NAME));
#endif
}
