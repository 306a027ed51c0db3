// detect~: the time between the last two rises (from 0 or below to above 0)
// of the input, in samples, milliseconds, hertz or beats per minute.
#include <cstdint>
#include <cstring>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

enum class Unit { samples, ms, hz, bpm };

struct t_detect {
    t_object x_obj;
    Unit unit;
    double sr;
    t_float previous;
    int64_t count;   // samples since the last rise
    int64_t period;  // 0 until the first rise
};

t_class *detect_class;

t_detect *detect_new(t_symbol *, int argc, t_atom *argv) {
    static const struct {
        const char *name;
        Unit unit;
    } units[] = {{"samps", Unit::samples}, {"ms", Unit::ms}, {"hz", Unit::hz}, {"bpm", Unit::bpm}};
    Unit unit = Unit::samples;
    if (argc > 1 || (argc == 1 && argv[0].a_type != A_SYMBOL)) {
        return vesh::improper_args<t_detect>("[detect~]: improper args");
    }
    if (argc == 1) {
        const char *name = argv[0].a_w.w_symbol->s_name;
        bool known = false;
        for (const auto &u : units) {
            if (std::strcmp(name, u.name) == 0) {
                unit = u.unit;
                known = true;
            }
        }
        if (!known) return vesh::improper_args<t_detect>("[detect~]: improper args");
    }
    auto *x = vesh::new_object<t_detect>(detect_class);
    outlet_new(&x->x_obj, &s_signal);
    x->unit = unit;
    x->sr = sys_getsr();
    return x;
}

// The period in the object's unit. A rate needs a period: 0 stands for "none
// measured yet" instead of an infinity.
double detect_reading(const t_detect *x, int64_t period) {
    const double p = static_cast<double>(period);
    switch (x->unit) {
        case Unit::ms:
            return p * 1000 / x->sr;
        case Unit::hz:
            return period > 0 ? x->sr / p : 0;
        case Unit::bpm:
            return period > 0 ? 60 * x->sr / p : 0;
        default:
            return p;
    }
}

void detect_block(t_detect *x, int n, const t_sample *in, t_sample *out) {
    float previous = x->previous;
    int64_t count = x->count, period = x->period;
    t_sample reading = static_cast<t_sample>(detect_reading(x, period));
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        if (vesh::trigger::rise(previous, v)) {
            period = count;
            count = 1;
            reading = static_cast<t_sample>(detect_reading(x, period));
        } else {
            count++;
        }
        out[i] = reading;
        previous = v;
    }
    x->previous = previous;
    x->count = count;
    x->period = period;
}

void detect_prepare(t_detect *x, t_signal **sp) {
    x->sr = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    detect_class = vesh::new_class<t_detect>(VESH_CLASS_NAME, detect_new, nullptr);
    vesh::signal_only_left_inlet(detect_class);
    vesh::add_block_dsp<detect_block, detect_prepare>(detect_class);
}
