// vu~: level meter; reports the RMS level (left) and the peak level (right)
// in dB over overlapping windows, from a clock after the signal tick.
#include <cstddef>

#include "meter_kernel.hpp"
#include "vesh.hpp"

namespace {

namespace meter = vesh::meter;
using vesh::sample;

struct t_vu {
    t_object x_obj;
    sample *window;  // npoints values, then zeros
    int window_size;
    int npoints;
    int period;
    int real_period;  // the period in whole blocks
    int block;
    int silent;  // the window could not be made long enough for the block
    meter::PartialSums power;
    sample peak;  // running
    sample reported_power;
    sample reported_peak;
    t_clock *clock;
    t_outlet *power_out;
    t_outlet *peak_out;
};

t_class *vu_class;

constexpr const char *no_buffer = "[vu~]: couldn't allocate buffer";

std::size_t window_bytes(int size) {
    return sizeof(sample) * static_cast<std::size_t>(size);
}

int padding(int block) {
    return block > meter::least_padding ? block : meter::least_padding;
}

// A window for the settings and the block, or null when the host has no room.
sample *new_window(const meter::Periods &p, int block) {
    const int size = p.npoints + padding(block);
    auto *w = static_cast<sample *>(getbytes(window_bytes(size)));
    if (w) meter::fill_window(w, p.npoints, size);
    return w;
}

// Takes the settings and their window; the windows start over (a peak found
// so far is still reported).
void vu_take(t_vu *x, const meter::Periods &p, sample *window) {
    if (x->window) freebytes(x->window, window_bytes(x->window_size));
    x->window = window;
    x->window_size = p.npoints + padding(x->block);
    x->npoints = p.npoints;
    x->period = p.period > x->block ? p.period : x->block;
    x->real_period = meter::whole_blocks(x->period, x->block);
    x->silent = 0;
    x->power.restart();
}

// Right to left: the peak, then the power.
void vu_tick(t_vu *x) {
    outlet_float(x->peak_out, meter::decibels(x->reported_peak, meter::amplitude_db));
    outlet_float(x->power_out, meter::decibels(x->reported_power, meter::power_db));
}

// npoints (default 1024) and period (default npoints / 2).
t_vu *vu_new(t_floatarg n, t_floatarg p) {
    const int block = sys_getblksize();
    const meter::Periods settings = meter::periods(n, p, block, meter::longest_window);
    sample *window = new_window(settings, block);
    if (!window) return vesh::improper_args<t_vu>(no_buffer);
    auto *x = vesh::new_object<t_vu>(vu_class);
    x->block = block;
    vu_take(x, settings, window);
    x->clock = clock_new(x, reinterpret_cast<t_method>(vu_tick));
    x->power_out = outlet_new(&x->x_obj, &s_float);
    x->peak_out = outlet_new(&x->x_obj, &s_float);
    return x;
}

void vu_free(t_vu *x) {
    clock_free(x->clock);
    freebytes(x->window, window_bytes(x->window_size));
}

// "set" n p: new settings by the creation rules, the period at least a block.
// Without room for their window the meter goes on as it was.
void vu_set(t_vu *x, t_floatarg n, t_floatarg p) {
    const meter::Periods settings = meter::periods(n, p, x->block, meter::longest_window);
    sample *window = new_window(settings, x->block);
    if (!window) {
        pd_error(x, "%s", no_buffer);
        return;
    }
    vu_take(x, settings, window);
}

void vu_block(t_vu *x, int n, const t_sample *in) {
    if (x->silent) return;
    x->peak = meter::block_peak(in, n, x->peak);
    sample power;
    if (x->power.add(x->window, x->npoints, x->real_period, in, n, power)) {
        x->reported_power = power;
        x->reported_peak = x->peak;
        x->peak = 0;
        clock_delay(x->clock, 0);
    }
}

// A block longer than the zeros after the window needs a longer array; without
// one the meter stays silent.
void vu_prepare(t_vu *x, t_signal **sp) {
    x->block = sp[0]->s_n;
    x->real_period = meter::whole_blocks(x->period, x->block);
    const int size = x->npoints + padding(x->block);
    if (size > x->window_size) {
        auto *w = static_cast<sample *>(
            resizebytes(x->window, window_bytes(x->window_size), window_bytes(size)));
        if (!w) {
            pd_error(x, "vu~: out of memory");
            x->silent = 1;
            return;
        }
        x->window = w;
        x->window_size = size;
    }
    x->silent = 0;
}

}  // namespace

VESH_SETUP {
    vu_class = vesh::new_class<t_vu>(VESH_CLASS_NAME, vu_new, vu_free);
    vesh::signal_only_left_inlet(vu_class);
    vesh::add_block_dsp<vu_block, vu_prepare>(vu_class);
    vesh::add_method_defaults(vu_class, "set", vu_set);
}
