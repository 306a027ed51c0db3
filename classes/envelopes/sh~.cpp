// sh~: sample and hold. In gate mode the output follows the input while the
// control is above the threshold and holds its last value otherwise; in
// trigger mode the input is sampled when the control rises past the threshold.
#include <cstring>

#include "block.hpp"
#include "vesh.hpp"

namespace {

struct t_sh {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float held;
    t_float threshold;
    t_float previous_control;
    int trigger_mode;
    int sample_now;  // a bang: sample at the next sample processed
};

t_class *sh_class;

t_sh *sh_new(t_symbol *, int argc, t_atom *argv) {
    t_float threshold = 0, initial = 0, mode = 0;
    bool tr = false;
    if (vesh::read_args(argc, argv, {&threshold, &initial, &mode}, {{"-tr", &tr}}) < 0) {
        return vesh::improper_args<t_sh>("sh~: improper args");
    }
    auto *x = vesh::new_object<t_sh>(sh_class);
    vesh::signal_inlet(&x->x_obj, 0);
    outlet_new(&x->x_obj, &s_signal);
    x->threshold = threshold;
    x->held = initial;
    x->trigger_mode = tr || mode != 0;
    return x;
}

void sh_bang(t_sh *x) {
    x->sample_now = 1;
}
void sh_set(t_sh *x, t_floatarg f) {
    x->held = f;
}
void sh_thresh(t_sh *x, t_floatarg f) {
    x->threshold = f;
}
void sh_trigger(t_sh *x) {
    x->trigger_mode = 1;
}
void sh_gate(t_sh *x) {
    x->trigger_mode = 0;
}

void sh_block(t_sh *x, int n, const t_sample *in, const t_sample *control, t_sample *out) {
    const float threshold = x->threshold;
    float held = x->held;
    float previous = x->previous_control;
    if (x->sample_now && n > 0) {
        x->sample_now = 0;
        held = in[0];
    }
    if (vesh::holds(control, n)) {
        // A control that holds still can only trigger at the first sample,
        // and passes or holds the whole block in gate mode.
        const float g = control[0];
        if (x->trigger_mode) {
            if (previous <= threshold && g > threshold) held = in[0];
            vesh::fill(out, n, held);
        } else if (g > threshold) {
            held = in[n - 1];
            if (out != in) std::memcpy(out, in, n * sizeof *out);
        } else {
            vesh::fill(out, n, held);
        }
        previous = g;
    } else if (x->trigger_mode) {
        for (int i = 0; i < n; i++) {
            const float v = in[i], g = control[i];
            if (previous <= threshold && g > threshold) held = v;
            out[i] = held;
            previous = g;
        }
    } else {
        for (int i = 0; i < n; i++) {
            const float v = in[i], g = control[i];
            if (g > threshold) held = v;
            out[i] = held;
            previous = g;
        }
    }
    x->held = held;
    x->previous_control = previous;
}

}  // namespace

VESH_SETUP {
    sh_class = vesh::new_class<t_sh>(VESH_CLASS_NAME, sh_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(sh_class, t_sh, in);
    vesh::add_block_dsp<sh_block>(sh_class);
    vesh::add_bang(sh_class, sh_bang);
    vesh::add_method(sh_class, "set", sh_set);
    vesh::add_method(sh_class, "thresh", sh_thresh);
    vesh::add_method(sh_class, "trigger", sh_trigger);
    vesh::add_method(sh_class, "gate", sh_gate);
}
