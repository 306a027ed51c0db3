// The phase accumulator behind every oscillator of the library.
//
// A double-precision phase in cycles, advanced per sample by frequency / sr,
// with two secondary inputs:
//   sync          with a signal connected, a sample in (0, 1] sets the phase
//                 (hard sync); with nothing connected, a float sets the phase
//                 once, at the start of the next block (the NaN marker of
//                 magic.hpp tells whether a new float has arrived);
//   phase offset  added to the phase as it changes; whole cycles of a jump
//                 are dropped.
//
// The helpers below are the pieces every oscillator shares; the two perform
// templates are the plain engine (the output is a function of the phase) and
// the edge-placing engine of the rectangular waves (the cycle's edge falls
// exactly on the sample where the phase wraps). A class supplies its shape as
// a small policy struct and names its perform routines after itself.
#pragma once

#include "magic.hpp"
#include "vesh.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vesh {

// ---- Records ------------------------------------------------------------

// Oscillator with frequency, sync and phase-offset inputs.
struct t_oscillator {
    t_object x_obj;
    double phase;        // cycles; in [0, 1) after each wrap
    double last_offset;  // phase-offset input at the previous sample
    t_float frequency;   // main-inlet scalar, Hz
    t_inlet *offset_inlet;
    t_inlet *sync_inlet;
    t_outlet *outlet;
    t_float sr;
    t_glist *canvas;
    t_float *sync_scalar;
    int sync_connected;
};

// The same with a width input between the frequency and sync inputs.
struct t_width_oscillator {
    t_object x_obj;
    double phase;
    double last_offset;
    t_float frequency;
    t_inlet *width_inlet;
    t_inlet *offset_inlet;
    t_inlet *sync_inlet;
    t_outlet *outlet;
    t_float sr;
    t_glist *canvas;
    t_float *sync_scalar;
    int sync_connected;
};

// ---- Per-sample pieces --------------------------------------------------

// Phase step of one sample, limited to half a cycle either way; a NaN
// frequency walks backwards at the limit rather than poisoning the phase.
inline double phase_increment(t_sample frequency, double inv_sr) {
    double increment = static_cast<double>(frequency) * inv_sr;
    increment = increment > -0.5 ? increment : -0.5;  // NaN fails the test too
    return increment < 0.5 ? increment : 0.5;
}

// How far the phase-offset input moved since the last sample, whole cycles
// dropped. A non-finite input moves nothing: the phase must stay a number.
inline double offset_change(t_sample offset, double last) {
    double change = static_cast<double>(offset) - last;
    if (!(change > -1.0 && change < 1.0)) {
        change = std::isfinite(change) ? std::fmod(change, 1.0) : 0.0;
    }
    return change;
}

// Brings a phase at or below 0 into (0, 1]. One cycle is the usual case; a
// large offset jump on top of the increment can need more.
inline double phase_lift(double p) {
    p += 1.0;
    if (p <= 0.0) {
        p -= std::floor(p);
        if (p <= 0.0) p += 1.0;
    }
    return p;
}

// Brings a phase at or above 1 into [0, 1).
inline double phase_drop(double p) {
    p -= 1.0;
    if (p >= 1.0) p -= std::floor(p);
    return p;
}

// True for a phase below 0 (-0 included), at or above 1, or NaN: one integer
// comparison instead of two floating-point ones on the hot path.
inline bool outside_cycle(double p) {
    return std::bit_cast<uint64_t>(p) >= std::bit_cast<uint64_t>(1.0);
}

// True for 0 < p < 1 only (NaN excluded), in one integer comparison.
inline bool strictly_inside_cycle(double p) {
    return std::bit_cast<uint64_t>(p) - 1u < std::bit_cast<uint64_t>(1.0) - 1u;
}

// The wrap of the plain engine: into [0, 1), with 0 staying 0.
inline double phase_wrap(double p) {
    if (outside_cycle(p)) {
        if (p <= 0.0) p = phase_lift(p);
        if (p >= 1.0) p = phase_drop(p);
    }
    return p;
}

// Reads a one-shot float from the sync scalar. Returns false when none has
// arrived since the last block; otherwise consumes it and gives its value
// wrapped into [0, 1). An infinite float is consumed and ignored.
inline bool take_sync_float(t_float *scalar, double &value) {
    if (magic_isnan(*scalar)) return false;
    const double v = *scalar;
    magic_setnan(scalar);
    if (!std::isfinite(v)) return false;
    value = std::fmod(v, 1.0);
    if (value < 0.0) value += 1.0;
    return true;
}

// Width inputs are fractions of a cycle; NaN counts as 0.
inline double clamp_width(t_sample width) {
    const double w = width;
    return !(w > 0.0) ? 0.0 : (w > 1.0 ? 1.0 : w);
}

// True when every sample of the block equals `value`. Most inputs hold still
// (a float into an unconnected inlet), and the loops then drop the work that
// the input would cost: with the phase offset it leaves the phase's
// sample-to-sample dependency, with the frequency the increment is worked out
// once. The outputs are the same to the bit. Four lanes at a time keep the scan
// cheap next to the loop it saves.
inline bool holds(const t_sample *in, int n, float value) {
    using lanes = float __attribute__((vector_size(16)));
    using mask = int __attribute__((vector_size(16)));
    const lanes want = {value, value, value, value};
    mask all = {-1, -1, -1, -1};
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        lanes v;
        std::memcpy(&v, in + i, sizeof v);
        all &= (v == want);
    }
    bool same = (all[0] & all[1] & all[2] & all[3]) != 0;
    for (; i < n; i++) same &= in[i] == value;
    return same;
}

// `last` is always a float's value (or 0), so the test is exact in single
// precision.
inline bool offset_holds(const t_sample *offset, int n, double last) {
    const float held = static_cast<float>(last);
    return static_cast<double>(held) == last && holds(offset, n, held);
}

namespace detail {
using yes = std::true_type;
using no = std::false_type;

// Calls loop(a, b) with both flags as compile-time constants.
template <typename Loop>
double choose_loop(bool a, bool b, Loop &&loop) {
    if (a) return b ? loop(yes{}, yes{}) : loop(yes{}, no{});
    return b ? loop(no{}, yes{}) : loop(no{}, no{});
}

// The same with a third flag.
template <typename Loop>
double choose_loop(bool a, bool b, bool c, Loop &&loop) {
    return c ? choose_loop(a, b, [&](auto x, auto y) { return loop(x, y, yes{}); })
             : choose_loop(a, b, [&](auto x, auto y) { return loop(x, y, no{}); });
}
}  // namespace detail

// ---- Plain engine ---------------------------------------------------------
//
// Shape policy:
//   using Object = t_oscillator or t_width_oscillator;
//   static constexpr bool has_width;
//   static constexpr bool sync_one_is_zero;   a sync sample of exactly 1
//                                             restarts at 0 instead of 1
//   static Width prepare(double width);       what the shape needs of a width
//                                             (clamped to [0, 1]; 0 without one)
//   static t_sample out(double phase, const Width &);
//   and optionally out_run (below).
//
// Words: object, n, frequency, [width,] sync, phase offset, output.

// What every shape without a width input says the same way; such a shape
// derives from this and adds only its `out`.
struct widthless_shape {
    using Object = t_oscillator;
    static constexpr bool has_width = false;
    static constexpr bool sync_one_is_zero = false;
    struct Width {};
    static Width prepare(double) { return {}; }
};

// A shape may also give its output for a run of phases at once:
//   static void out_run(const double *phase, int n, t_sample *out);
// The engine then gathers the phases of up to run_length samples before
// asking, which lets the shape work on several samples side by side.
template <typename Shape>
concept run_shape = requires(const double *phase, int n, t_sample *out) {
    Shape::out_run(phase, n, out);
};
constexpr int run_length = 64;

namespace detail {
// The phase that sample i shows: sync, or the offset change and the wrap.
template <typename Shape, bool SyncSignal, bool OffsetHolds>
inline double sample_phase(double phase, double &last, int i, const t_sample *sync,
                           const t_sample *offset) {
    double change = 0.0;
    if constexpr (!OffsetHolds) {
        change = offset_change(offset[i], last);
        last = offset[i];
    }
    bool synced = false;
    if constexpr (SyncSignal) {
        const t_sample s = sync[i];
        if (s > 0 && s <= 1) {
            phase = (Shape::sync_one_is_zero && s == 1) ? 0.0 : s;
            synced = true;
        }
    }
    if (!synced) {
        // Adding a zero change would not move the phase.
        if constexpr (!OffsetHolds) phase += change;
        phase = phase_wrap(phase);
    }
    return phase;
}

template <typename Shape, bool SyncSignal, bool OffsetHolds, bool FrequencyHolds, bool WidthHolds>
double phase_loop(double phase, double &last, double inv_sr, int n, const t_sample *frequency,
                  const t_sample *width, const t_sample *sync, const t_sample *offset,
                  t_sample *out) {
    const double held_increment = phase_increment(frequency[0], inv_sr);
    const auto held_width = Shape::prepare(Shape::has_width ? clamp_width(width[0]) : 0.0);
    if constexpr (run_shape<Shape>) {
        static_assert(!Shape::has_width);
        // Every input of a run is read before its outputs are written, so the
        // output may share memory with any input.
        double phases[run_length];
        for (int start = 0; start < n; start += run_length) {
            const int m = n - start < run_length ? n - start : run_length;
            for (int j = 0; j < m; j++) {
                const int i = start + j;
                const double increment =
                    FrequencyHolds ? held_increment : phase_increment(frequency[i], inv_sr);
                phase = sample_phase<Shape, SyncSignal, OffsetHolds>(phase, last, i, sync, offset);
                phases[j] = phase;
                phase += increment;
            }
            Shape::out_run(phases, m, out + start);
        }
        return phase;
    } else {
        // The steps of sample_phase, written out: this form compiles to
        // tighter code for the per-sample shapes.
        for (int i = 0; i < n; i++) {
            const double increment =
                FrequencyHolds ? held_increment : phase_increment(frequency[i], inv_sr);
            auto w = held_width;
            if constexpr (!WidthHolds) w = Shape::prepare(clamp_width(width[i]));
            double change = 0.0;
            if constexpr (!OffsetHolds) {
                change = offset_change(offset[i], last);
                last = offset[i];
            }
            bool synced = false;
            if constexpr (SyncSignal) {
                const t_sample s = sync[i];
                if (s > 0 && s <= 1) {
                    phase = (Shape::sync_one_is_zero && s == 1) ? 0.0 : s;
                    synced = true;
                }
            }
            if (!synced) {
                // Adding a zero change would not move the phase.
                if constexpr (!OffsetHolds) phase += change;
                phase = phase_wrap(phase);
            }
            out[i] = Shape::out(phase, w);
            phase += increment;
        }
        return phase;
    }
}
}  // namespace detail

template <typename Shape, bool SyncSignal>
t_int *phase_perform(t_int *w) {
    constexpr int extra = Shape::has_width ? 1 : 0;
    auto *x = word<typename Shape::Object *>(w, 1);
    const int n = word<int>(w, 2);
    const auto *frequency = word<t_sample *>(w, 3);
    const auto *width = word<t_sample *>(w, 3 + extra);  // unused without a width
    const auto *sync = word<t_sample *>(w, 4 + extra);
    const auto *offset = word<t_sample *>(w, 5 + extra);
    auto *out = word<t_sample *>(w, 6 + extra);
    if (n <= 0) return w + 7 + extra;

    double phase = x->phase;
    if constexpr (!SyncSignal) {
        double v;
        if (take_sync_float(x->sync_scalar, v)) phase = v;
    }
    double last = x->last_offset;
    const double inv_sr = 1.0 / static_cast<double>(x->sr);
    const bool offset_still = offset_holds(offset, n, last);
    const bool frequency_still = holds(frequency, n, frequency[0]);
    if constexpr (Shape::has_width) {
        phase = detail::choose_loop(
            offset_still, frequency_still, holds(width, n, width[0]), [&](auto o, auto f, auto wd) {
                return detail::phase_loop<Shape, SyncSignal, o(), f(), wd()>(
                    phase, last, inv_sr, n, frequency, width, sync, offset, out);
            });
    } else {
        phase = detail::choose_loop(offset_still, frequency_still, [&](auto o, auto f) {
            return detail::phase_loop<Shape, SyncSignal, o(), f(), true>(
                phase, last, inv_sr, n, frequency, width, sync, offset, out);
        });
    }
    x->phase = phase;
    x->last_offset = last;
    return w + 7 + extra;
}

// ---- Edge-placing engine ----------------------------------------------------
//
// The wrap sample is always high going forwards (low going backwards) and the
// sample before it the opposite, so a cycle never loses its edges however
// narrow the width. Shape policy: using Object; static constexpr t_sample
// high, low.
//
// Words: object, n, frequency, width, sync, phase offset, output.

namespace detail {
template <typename Shape, bool SyncSignal, bool OffsetHolds, bool FrequencyHolds, bool WidthHolds>
double edge_loop(double phase, double &last, double inv_sr, int n, const t_sample *frequency,
                 const t_sample *width, const t_sample *sync, const t_sample *offset,
                 t_sample *out) {
    static constexpr t_sample levels[2] = {Shape::low, Shape::high};
    const double held_increment = phase_increment(frequency[0], inv_sr);
    const double held_width = clamp_width(width[0]);
    const bool held_forward = frequency[0] >= 0;
    for (int i = 0; i < n; i++) {
        const t_sample f = frequency[i];
        const double w = WidthHolds ? held_width : clamp_width(width[i]);
        const double increment = FrequencyHolds ? held_increment : phase_increment(f, inv_sr);
        double p = phase;
        if constexpr (!OffsetHolds) {
            p += offset_change(offset[i], last);
            last = offset[i];
        }
        if constexpr (SyncSignal) {
            const t_sample s = sync[i];
            if (s > 0 && s <= 1) p = s;
        }
        t_sample y;
        if (strictly_inside_cycle(p)) {
            // Neither a wrap nor a lift this sample: the common case, without
            // branches on the level.
            phase = p + increment;
            const bool forward = FrequencyHolds ? held_forward : f >= 0;
            const bool high = forward ? (p <= w) & (phase < 1.0) : (p <= w) | (phase <= 0.0);
            y = levels[high];
        } else if (f >= 0) {
            if (p <= 0.0) p = phase_lift(p);
            if (p >= 1.0) {
                y = Shape::high;
                phase = phase_drop(p) + increment;
            } else {
                phase = p + increment;
                y = (p <= w && phase < 1.0) ? Shape::high : Shape::low;
            }
        } else {
            if (p >= 1.0) p = phase_drop(p);
            if (p <= 0.0) {
                y = Shape::low;
                phase = phase_lift(p) + increment;
            } else {
                phase = p + increment;
                y = (p <= w || phase <= 0.0) ? Shape::high : Shape::low;
            }
        }
        out[i] = y;
    }
    return phase;
}
}  // namespace detail

template <typename Shape, bool SyncSignal>
t_int *edge_perform(t_int *w) {
    auto *x = word<typename Shape::Object *>(w, 1);
    const int n = word<int>(w, 2);
    const auto *frequency = word<t_sample *>(w, 3);
    const auto *width = word<t_sample *>(w, 4);
    const auto *sync = word<t_sample *>(w, 5);
    const auto *offset = word<t_sample *>(w, 6);
    auto *out = word<t_sample *>(w, 7);
    if (n <= 0) return w + 8;

    double phase = x->phase;
    if constexpr (!SyncSignal) {
        double v;
        if (take_sync_float(x->sync_scalar, v)) phase = v;
    }
    double last = x->last_offset;
    const double inv_sr = 1.0 / static_cast<double>(x->sr);
    phase =
        detail::choose_loop(offset_holds(offset, n, last), holds(frequency, n, frequency[0]),
                            holds(width, n, width[0]), [&](auto o, auto f, auto wd) {
                                return detail::edge_loop<Shape, SyncSignal, o(), f(), wd()>(
                                    phase, last, inv_sr, n, frequency, width, sync, offset, out);
                            });
    x->phase = phase;
    x->last_offset = last;
    return w + 8;
}

// ---- Creation, dsp, free ----------------------------------------------------

// Creation arguments are taken only while the list starts with a float; any
// argument that is missing or not a float keeps its default.
inline t_float float_arg(int argc, const t_atom *argv, int index, t_float fallback) {
    if (argc < 1 || argv[0].a_type != A_FLOAT) return fallback;
    if (index >= argc || argv[index].a_type != A_FLOAT) return fallback;
    return argv[index].a_w.w_float;
}

// Makes the inlets and outlet. The sync scalar starts at 0, so the first
// block after creation sets the phase to 0 once.
template <typename Object>
Object *oscillator_new(t_class *c, t_float frequency, t_float offset, t_float width = 0) {
    auto *x = new_object<Object>(c);
    x->phase = 0;
    x->last_offset = 0;
    x->frequency = frequency;
    int sync_number = 1;
    if constexpr (std::is_same_v<Object, t_width_oscillator>) {
        x->width_inlet = signal_inlet(&x->x_obj, width);
        sync_number = 2;
    }
    x->sync_inlet = signal_inlet(&x->x_obj, 0);
    x->offset_inlet = signal_inlet(&x->x_obj, offset);
    x->outlet = outlet_new(&x->x_obj, &s_signal);
    x->sr = sys_getsr();
    x->canvas = canvas_getcurrent();
    x->sync_scalar = obj_findsignalscalar(&x->x_obj, sync_number);
    return x;
}

template <typename Object>
void oscillator_free(Object *x) {
    if constexpr (std::is_same_v<Object, t_width_oscillator>) inlet_free(x->width_inlet);
    inlet_free(x->sync_inlet);
    inlet_free(x->offset_inlet);
    outlet_free(x->outlet);
}

// Picks the routine for whether a signal reaches the sync inlet.
inline void oscillator_dsp(t_oscillator *x, t_signal **sp, t_perfroutine with_signal,
                           t_perfroutine without) {
    x->sr = sp[0]->s_sr;
    x->sync_connected = magic_inlet_connection(&x->x_obj, x->canvas, 1, &s_signal);
    add_perform(x->sync_connected ? with_signal : without, x, sp[0]->s_n, sp[0]->s_vec,
                sp[1]->s_vec, sp[2]->s_vec, sp[3]->s_vec);
}

inline void oscillator_dsp(t_width_oscillator *x, t_signal **sp, t_perfroutine with_signal,
                           t_perfroutine without) {
    x->sr = sp[0]->s_sr;
    x->sync_connected = magic_inlet_connection(&x->x_obj, x->canvas, 2, &s_signal);
    add_perform(x->sync_connected ? with_signal : without, x, sp[0]->s_n, sp[0]->s_vec,
                sp[1]->s_vec, sp[2]->s_vec, sp[3]->s_vec, sp[4]->s_vec);
}

}  // namespace vesh
