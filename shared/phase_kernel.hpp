// The arithmetic of the phase accumulator behind every oscillator: phase
// steps, wraps, the offset and sync inputs, and the two block loops (the plain
// engine, whose output is a function of the phase, and the edge-placing engine
// of the rectangular waves). Host-independent; phase.hpp binds it to the host.
//
// The phase is a double in cycles, advanced per sample by frequency / sr,
// with two secondary inputs:
//   sync          a sample in (0, 1] sets the phase (hard sync);
//   phase offset  added to the phase as it changes; whole cycles of a jump
//                 are dropped.
//
// A shape is a small policy struct (see "Plain engine" and "Edge-placing
// engine" below); the engines do the rest.
#pragma once

#include "block.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesh {

// Whether a signal reaches the sync input: with one, the engine reads it
// sample by sample; without one, the host glue applies a float once per block.
enum class sync_input { scalar, signal };

// ---- Per-sample pieces --------------------------------------------------

// Phase step of one sample, limited to half a cycle either way (a whole one
// for the impulse trains); a NaN frequency walks backwards at the limit rather
// than poisoning the phase.
inline double phase_increment(sample frequency, double inv_sr, double limit = 0.5) {
    double increment = static_cast<double>(frequency) * inv_sr;
    increment = increment > -limit ? increment : -limit;  // NaN fails the test too
    return increment < limit ? increment : limit;
}

// How far the phase-offset input moved since the last sample, whole cycles
// dropped. A non-finite input moves nothing: the phase must stay a number.
inline double offset_change(sample offset, double last) {
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

// A sync float as a phase: wrapped into [0, 1). False for an infinite (or NaN)
// float, which is ignored.
inline bool sync_phase(double v, double &phase) {
    if (!std::isfinite(v)) return false;
    phase = std::fmod(v, 1.0);
    if (phase < 0.0) phase += 1.0;
    return true;
}

// Width inputs are fractions of a cycle; NaN counts as 0.
inline double clamp_width(sample width) {
    const double w = width;
    return !(w > 0.0) ? 0.0 : (w > 1.0 ? 1.0 : w);
}

// `last` is always a float's value (or 0), so the test is exact in single
// precision.
inline bool offset_holds(const sample *offset, int n, double last) {
    const auto held = static_cast<sample>(last);
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

// The inputs and outputs of one block: every vector holds n samples. `width`
// is read only by shapes with a width input, `phase_out` only by impulse
// trains that show their phase.
struct phase_block_io {
    int n;
    const sample *frequency;
    const sample *width;
    const sample *sync;
    const sample *offset;
    sample *out;
    sample *phase_out = nullptr;
};

// ---- Plain engine ---------------------------------------------------------
//
// Shape policy:
//   static constexpr bool has_width;
//   static constexpr bool sync_one_is_zero;   a sync sample of exactly 1
//                                             restarts at 0 instead of 1
//   struct Width; static Width prepare(double width);
//                                             what the shape needs of a width
//                                             (clamped to [0, 1]; 0 without one)
//   static sample out(double phase, const Width &);
//   or, without a width, out_run (below) instead of out.

// What every shape without a width input says the same way; such a shape
// derives from this and adds only its `out`.
struct widthless_shape {
    static constexpr bool has_width = false;
    static constexpr bool sync_one_is_zero = false;
    struct Width {};
    static Width prepare(double) { return {}; }
};

// A shape may also give its output for a run of phases at once:
//   static void out_run(const double *phase, int n, sample *out);
// The engine then gathers the phases of up to run_length samples before
// asking, which lets the shape work on several samples side by side.
template <typename Shape>
concept run_shape = requires(const double *phase, int n, sample *out) {
    Shape::out_run(phase, n, out);
};
constexpr int run_length = 64;

namespace detail {
// The phase that sample i shows: sync, or the offset change and the wrap.
// Forced inline: in the per-sample loop a call would cost more than the step.
template <typename Shape, sync_input Sync, bool OffsetHolds>
[[gnu::always_inline]] inline double sample_phase(double phase, double &last, int i,
                                                  const sample *sync, const sample *offset) {
    double change = 0.0;
    if constexpr (!OffsetHolds) {
        change = offset_change(offset[i], last);
        last = offset[i];
    }
    bool synced = false;
    if constexpr (Sync == sync_input::signal) {
        const sample s = sync[i];
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

template <typename Shape, sync_input Sync, bool OffsetHolds, bool FrequencyHolds, bool WidthHolds>
double phase_loop(double phase, double &last, double inv_sr, const phase_block_io &io) {
    const int n = io.n;
    const sample *frequency = io.frequency;
    const double held_increment = phase_increment(frequency[0], inv_sr);
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
                phase = sample_phase<Shape, Sync, OffsetHolds>(phase, last, i, io.sync, io.offset);
                phases[j] = phase;
                phase += increment;
            }
            Shape::out_run(phases, m, io.out + start);
        }
    } else {
        const auto held_width = Shape::prepare(Shape::has_width ? clamp_width(io.width[0]) : 0.0);
        for (int i = 0; i < n; i++) {
            const double increment =
                FrequencyHolds ? held_increment : phase_increment(frequency[i], inv_sr);
            auto w = held_width;
            if constexpr (!WidthHolds) w = Shape::prepare(clamp_width(io.width[i]));
            phase = sample_phase<Shape, Sync, OffsetHolds>(phase, last, i, io.sync, io.offset);
            io.out[i] = Shape::out(phase, w);
            phase += increment;
        }
    }
    return phase;
}
}  // namespace detail

// One block of the plain engine (n >= 1). Returns the phase after it; `last`
// is the offset input at the previous sample and is brought up to date.
template <typename Shape, sync_input Sync>
double phase_block(double phase, double &last, double inv_sr, const phase_block_io &io) {
    const bool offset_still = offset_holds(io.offset, io.n, last);
    const bool frequency_still = holds(io.frequency, io.n);
    if constexpr (Shape::has_width) {
        return detail::choose_loop(
            offset_still, frequency_still, holds(io.width, io.n), [&](auto o, auto f, auto wd) {
                return detail::phase_loop<Shape, Sync, o(), f(), wd()>(phase, last, inv_sr, io);
            });
    } else {
        return detail::choose_loop(offset_still, frequency_still, [&](auto o, auto f) {
            return detail::phase_loop<Shape, Sync, o(), f(), true>(phase, last, inv_sr, io);
        });
    }
}

// ---- Edge-placing engine ----------------------------------------------------
//
// The wrap sample is always high going forwards (low going backwards) and the
// sample before it the opposite, so a cycle never loses its edges however
// narrow the width. Shape policy: derive from edge_shape and give
// static constexpr float high, low.

struct edge_shape {
    static constexpr bool has_width = true;
    static constexpr float default_width = 0.5f;
};

template <typename Shape>
concept edge_placing = std::is_base_of_v<edge_shape, Shape>;

// The same engine, differentiated: +1 where the rectangular wave rises, -1
// where it falls, 0 elsewhere. Shape policy: derive from edge_impulse_shape.
struct edge_impulse_shape : edge_shape {
    static constexpr float high = 1;
    static constexpr float low = -1;
};

template <typename Shape>
concept edge_impulses = std::is_base_of_v<edge_impulse_shape, Shape>;

namespace detail {
// The phase a sample starts from in the edge loops: moved by the offset's
// change, or set by a sync sample in (0, 1].
template <sync_input Sync, bool OffsetHolds>
[[gnu::always_inline]] inline double moved_phase(double phase, double &last,
                                                 const phase_block_io &io, int i) {
    double p = phase;
    if constexpr (!OffsetHolds) {
        p += offset_change(io.offset[i], last);
        last = io.offset[i];
    }
    if constexpr (Sync == sync_input::signal) {
        const sample s = io.sync[i];
        if (s > 0 && s <= 1) p = s;
    }
    return p;
}

template <typename Shape, sync_input Sync, bool OffsetHolds, bool FrequencyHolds, bool WidthHolds>
double edge_loop(double phase, double &last, sample &previous, double inv_sr,
                 const phase_block_io &io) {
    static constexpr sample levels[2] = {Shape::low, Shape::high};
    const sample *frequency = io.frequency;
    const double held_increment = phase_increment(frequency[0], inv_sr);
    const double held_width = clamp_width(io.width[0]);
    const bool held_forward = frequency[0] >= 0;
    sample wave = previous;  // a local: the output stores cannot reach it
    for (int i = 0; i < io.n; i++) {
        const sample f = frequency[i];
        const double w = WidthHolds ? held_width : clamp_width(io.width[i]);
        const double increment = FrequencyHolds ? held_increment : phase_increment(f, inv_sr);
        double p = moved_phase<Sync, OffsetHolds>(phase, last, io, i);
        sample y;
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
        if constexpr (edge_impulses<Shape>) {
            // The levels are +1 and -1: a change of level is the new level.
            io.out[i] = y != wave ? y : sample(0);
            wave = y;
        } else {
            io.out[i] = y;
        }
    }
    previous = wave;
    return phase;
}

// The levels of the first samples of a run, four at a time, for
// edge_levels; returns how many it set. Each comparison is the scalar one.
template <typename Shape>
int edge_levels_in_lanes(const double *phases, int m, bool forward, double increment, double w,
                         float *out, float &wave) {
    int j = 0;
#if defined(__SSE2__)
    const __m128d wv = _mm_set1_pd(w), step = _mm_set1_pd(increment);
    const __m128d bound = _mm_set1_pd(forward ? 1.0 : 0.0);
    const __m128 high = _mm_set1_ps(Shape::high), low = _mm_set1_ps(Shape::low);
    const auto lanes = [&](const double *at) {
        const __m128d p = _mm_loadu_pd(at);
        const __m128d next = _mm_add_pd(p, step);
        return forward ? _mm_and_pd(_mm_cmple_pd(p, wv), _mm_cmplt_pd(next, bound))
                       : _mm_or_pd(_mm_cmple_pd(p, wv), _mm_cmple_pd(next, bound));
    };
    __m128 before = _mm_set1_ps(wave);
    for (; j + 4 <= m; j += 4) {
        const __m128 mask =
            _mm_shuffle_ps(_mm_castpd_ps(lanes(phases + j)), _mm_castpd_ps(lanes(phases + j + 2)),
                           _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 y = _mm_or_ps(_mm_and_ps(mask, high), _mm_andnot_ps(mask, low));
        if constexpr (edge_impulses<Shape>) {
            // Each lane beside the level before it: the last one of the
            // previous four, then its own neighbours.
            const __m128 shifted = _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(y), 4));
            const __m128 prior = _mm_move_ss(shifted, _mm_shuffle_ps(before, before, 0xff));
            _mm_storeu_ps(out + j, _mm_and_ps(_mm_cmpneq_ps(y, prior), y));
            before = y;
        } else {
            _mm_storeu_ps(out + j, y);
        }
    }
    wave = _mm_cvtss_f32(_mm_shuffle_ps(before, before, 0xff));
#else
    static_cast<void>(phases), static_cast<void>(m), static_cast<void>(forward);
    static_cast<void>(increment), static_cast<void>(w), static_cast<void>(out);
    static_cast<void>(wave);
#endif
    return j;
}

// Double samples: no lanes, the scalar loop does them all.
template <typename Shape>
int edge_levels_in_lanes(const double *, int, bool, double, double, double *, double &) {
    return 0;
}

// The levels of a run of phases noted by edge_run_loop, with the frequency's
// direction, increment and width held; for edge impulses, the changes of
// level, `wave` being the level before the run.
template <typename Shape>
void edge_levels(const double *phases, int m, bool forward, double increment, double w, sample *out,
                 sample &wave) {
    static constexpr sample levels[2] = {Shape::low, Shape::high};
    int j = edge_levels_in_lanes<Shape>(phases, m, forward, increment, w, out, wave);
    for (; j < m; j++) {
        const double p = phases[j];
        const sample y =
            levels[forward ? (p <= w) & (p + increment < 1.0) : (p <= w) | (p + increment <= 0.0)];
        if constexpr (edge_impulses<Shape>) {
            // The levels are +1 and -1: a change of level is the new level.
            out[j] = y != wave ? y : sample(0);
            wave = y;
        } else {
            out[j] = y;
        }
    }
}

// The engine with the frequency and the width held for the block, in two
// passes over runs of samples: the first walks the phase (the one chain from
// sample to sample) and notes the phase each sample shows, a wrap as an
// infinity that decides the level by itself (-inf high, +inf low); the
// second turns the phases into levels, several samples at once.
template <typename Shape, sync_input Sync, bool OffsetHolds>
double edge_run_loop(double phase, double &last, sample &previous, double inv_sr,
                     const phase_block_io &io) {
    constexpr double wrap_high = -std::numeric_limits<double>::infinity();
    constexpr double wrap_low = std::numeric_limits<double>::infinity();
    const double increment = phase_increment(io.frequency[0], inv_sr);
    const double w = clamp_width(io.width[0]);
    const bool forward = io.frequency[0] >= 0;
    sample wave = previous;
    double phases[run_length];
    for (int start = 0; start < io.n; start += run_length) {
        const int m = io.n - start < run_length ? io.n - start : run_length;
        for (int j = 0; j < m; j++) {
            const int i = start + j;
            double p = moved_phase<Sync, OffsetHolds>(phase, last, io, i);
            if (strictly_inside_cycle(p)) {
                phase = p + increment;
            } else if (forward) {
                if (p <= 0.0) p = phase_lift(p);
                if (p >= 1.0) {
                    phase = phase_drop(p) + increment;
                    p = wrap_high;
                } else {
                    phase = p + increment;
                }
            } else {
                if (p >= 1.0) p = phase_drop(p);
                if (p <= 0.0) {
                    phase = phase_lift(p) + increment;
                    p = wrap_low;
                } else {
                    phase = p + increment;
                }
            }
            phases[j] = p;
        }
        // Every input of the run has been read: the outputs may now be
        // written over any of them.
        edge_levels<Shape>(phases, m, forward, increment, w, io.out + start, wave);
    }
    previous = wave;
    return phase;
}
}  // namespace detail

// One block of the edge-placing engine (n >= 1), as phase_block; `previous`
// is the wave at the last sample, kept by the differentiated shapes only.
template <typename Shape, sync_input Sync>
double edge_block(double phase, double &last, sample &previous, double inv_sr,
                  const phase_block_io &io) {
    const bool offset_still = offset_holds(io.offset, io.n, last);
    if (holds(io.frequency, io.n) && holds(io.width, io.n)) {
        return offset_still
                   ? detail::edge_run_loop<Shape, Sync, true>(phase, last, previous, inv_sr, io)
                   : detail::edge_run_loop<Shape, Sync, false>(phase, last, previous, inv_sr, io);
    }
    return detail::choose_loop(offset_still, false, false, [&](auto o, auto f, auto wd) {
        return detail::edge_loop<Shape, Sync, o(), f(), wd()>(phase, last, previous, inv_sr, io);
    });
}

// ---- Impulse engine --------------------------------------------------------
//
// 1 on each sample where the phase wraps, 0 elsewhere, with
// the step limited to one cycle either way (so at most one impulse a
// sample). Going forwards the phase wraps as it reaches 1; a phase at or
// below 0 is lifted only when the offset moved it there, so that a phase of
// exactly 0 at 0 Hz stays silent. Going backwards it wraps as it falls to 0.
// Shape policy: derive from impulse_shape; `shows_phase` adds the phase as a
// second output.

struct impulse_shape {
    static constexpr bool has_width = false;
    static constexpr bool shows_phase = false;
};

template <typename Shape>
concept impulse_train = std::is_base_of_v<impulse_shape, Shape>;

// The phase a sync float sets (already wrapped into [0, 1)): a whole cycle
// fires a forward train at once rather than a cycle later.
inline double impulse_sync_phase(double wrapped, bool forward) {
    return wrapped == 0.0 && forward ? 1.0 : wrapped;
}

namespace detail {
template <typename Shape, sync_input Sync, bool OffsetHolds, bool FrequencyHolds>
double impulse_loop(double phase, double &last, double inv_sr, const phase_block_io &io) {
    const sample *frequency = io.frequency;
    const double held_increment = phase_increment(frequency[0], inv_sr, 1.0);
    const bool held_forward = frequency[0] >= 0;
    for (int i = 0; i < io.n; i++) {
        const sample f = frequency[i];
        const double increment = FrequencyHolds ? held_increment : phase_increment(f, inv_sr, 1.0);
        const bool forward = FrequencyHolds ? held_forward : f >= 0;
        double change = 0.0;
        double p = phase;  // adding a zero change would only cost time
        if constexpr (!OffsetHolds) {
            change = offset_change(io.offset[i], last);
            last = io.offset[i];
            p += change;
        }
        bool fire = false;
        const sample s = Sync == sync_input::signal ? io.sync[i] : 0;
        if (Sync == sync_input::signal && s > 0 && s <= 1) {
            // A sync of exactly 1 is the wrap itself: forwards the phase goes
            // on from 0, backwards from 1.
            fire = s == 1;
            p = fire && forward ? 0.0 : s;
        } else if (!strictly_inside_cycle(p)) {
            if (forward) {
                if (!OffsetHolds && change != 0.0 && p <= 0.0) p = phase_lift(p);
                if (p >= 1.0) {
                    p = phase_drop(p);
                    fire = true;
                }
            } else {
                if (p >= 1.0) p = phase_drop(p);
                if (p <= 0.0) {
                    p = phase_lift(p);
                    fire = true;
                }
            }
        }
        io.out[i] = fire ? 1 : 0;
        if constexpr (Shape::shows_phase) io.phase_out[i] = static_cast<sample>(p);
        phase = p + increment;
    }
    return phase;
}
}  // namespace detail

// One block of the impulse engine (n >= 1), as phase_block.
template <typename Shape, sync_input Sync>
double impulse_block(double phase, double &last, double inv_sr, const phase_block_io &io) {
    return detail::choose_loop(
        offset_holds(io.offset, io.n, last), holds(io.frequency, io.n), [&](auto o, auto f) {
            return detail::impulse_loop<Shape, Sync, o(), f()>(phase, last, inv_sr, io);
        });
}

}  // namespace vesh
