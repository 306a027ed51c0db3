// peak~: peak meter; reports the largest absolute value of each period,
// linear or in dB, from a clock after the signal tick.
#include "meter_kernel.hpp"
#include "vesh.hpp"

namespace {

namespace meter = vesh::meter;
using vesh::sample;

struct t_peak {
    t_object x_obj;
    int npoints;  // bounds the period only
    int period;
    int real_period;  // the period in whole blocks
    int block;
    int phase;  // samples until the next report
    int db;
    sample peak;  // running, across blocks
    sample reported;
    t_clock *clock;
};

t_class *peak_class;

void peak_tick(t_peak *x) {
    outlet_float(x->x_obj.ob_outlet,
                 x->db ? meter::decibels(x->reported, meter::amplitude_db) : x->reported);
}

void peak_take(t_peak *x, t_float n, t_float p) {
    const meter::Periods settings = meter::periods(n, p, x->block, vesh::index_limit);
    x->npoints = settings.npoints;
    x->period = settings.period;
    x->real_period = meter::whole_blocks(x->period, x->block);
    x->phase = 0;
}

// Floats: npoints (default 1024), period (default npoints / 2); "-db" anywhere.
t_peak *peak_new(t_symbol *, int argc, t_atom *argv) {
    t_float n = 0, p = 0;
    bool db = false;
    if (vesh::read_args(argc, argv, {&n, &p}, {{"-db", &db}}) < 0) {
        return vesh::improper_args<t_peak>("rms~: improper args");
    }
    auto *x = vesh::new_object<t_peak>(peak_class);
    x->block = sys_getblksize();
    x->db = db;
    peak_take(x, n, p);
    x->clock = clock_new(x, reinterpret_cast<t_method>(peak_tick));
    outlet_new(&x->x_obj, &s_float);
    return x;
}

void peak_free(t_peak *x) {
    clock_free(x->clock);
}

void peak_set(t_peak *x, t_floatarg n, t_floatarg p) {
    peak_take(x, n, p);
}

void peak_db(t_peak *x) {
    x->db = 1;
}

void peak_linear(t_peak *x) {
    x->db = 0;
}

void peak_block(t_peak *x, int n, const t_sample *in) {
    const sample peak = meter::block_peak(in, n, x->peak);
    x->phase -= n;
    if (x->phase < 0) {
        x->reported = peak;
        x->peak = 0;
        x->phase = x->real_period - n;
        clock_delay(x->clock, 0);
    } else {
        x->peak = peak;
    }
}

void peak_prepare(t_peak *x, t_signal **sp) {
    x->block = sp[0]->s_n;
    x->real_period = meter::whole_blocks(x->period, x->block);
}

}  // namespace

VESH_SETUP {
    peak_class = vesh::new_class<t_peak>(VESH_CLASS_NAME, peak_new, peak_free);
    vesh::signal_only_left_inlet(peak_class);
    vesh::add_block_dsp<peak_block, peak_prepare>(peak_class);
    vesh::add_method_defaults(peak_class, "set", peak_set);
    vesh::add_method(peak_class, "db", peak_db);
    vesh::add_method(peak_class, "linear", peak_linear);
}
