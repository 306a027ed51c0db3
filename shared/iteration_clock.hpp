// Iteration clock of the rate-driven generators (chaotic maps, stepped noise,
// random impulses): a phase in cycles, advanced each sample by rate / sample
// rate, that fires an event whenever it crosses a cycle boundary.
//
// A positive rate fires when the phase reaches 1, a negative rate when it falls
// to 0, so |rate| events happen per second either way. The step is clamped to
// one cycle, hence at most one event per sample, and a rate of 0 freezes the
// phase. The phase is a double whatever precision the caller steps it with.
// Host-independent.
#pragma once

#include "block.hpp"

#include <type_traits>

namespace vesh {

// Phase at creation: a generator started with a non-negative rate fires at its
// first sample; one started with a negative rate fires at the first sample too,
// since the phase already sits on the lower boundary.
inline double clock_start_phase(sample rate) {
    return rate >= 0 ? 1.0 : 0.0;
}

// True when an event is due at this sample; moves the phase back across the
// boundary it reached. A NaN rate has no direction and fires nothing.
inline bool clock_due(double &phase, sample rate) {
    if (rate >= 0) {
        if (phase >= 1.0) {
            phase -= 1.0;
            return true;
        }
    } else if (rate < 0 && phase <= 0.0) {
        phase += 1.0;
        return true;
    }
    return false;
}

// Phase step for one sample, formed in `Real` (double, or float where a class
// keeps the single-precision step) and clamped to +-limit. A NaN rate holds
// the phase: once NaN, the phase would never fire again.
template <typename Real>
inline Real clock_step(sample rate, Real inv_sr, std::type_identity_t<Real> limit = Real(1)) {
    const Real v = static_cast<Real>(rate) * inv_sr;
    if (v > limit) return limit;
    if (v < -limit) return -limit;
    return v == v ? v : Real(0);
}

// What a generator sees at each sample of clock_run_ticks.
template <typename Real>
struct clock_tick {
    double phase;  // after any wrap, before the step
    Real step;     // added to the phase after this sample
    bool fired;    // an event fired at this sample
    bool falling;  // the rate is negative: the phase runs from 1 down to 0
};

// One block: at each sample, `event(i)` when due, then `emit(i, tick)`. The
// step is clamped to +-limit. A sync sample of exactly 1.0 (`sync` may be
// null) restarts the period at once: the phase goes to the boundary it
// starts from (0 rising, 1 falling) and an event fires. `rate[i]` and
// `sync[i]` are read before `emit` runs, so the output may share memory with
// either input. Always inlined into the caller, so that the generator's state
// stays in registers rather than behind the references its lambdas hold.
template <typename Real, typename Event, typename Emit>
[[gnu::always_inline]] inline void clock_run_ticks(double &phase, const sample *rate,
                                                   const sample *sync, int n, Real inv_sr,
                                                   std::type_identity_t<Real> limit, Event &&event,
                                                   Emit &&emit) {
    if (n <= 0) return;
    // A sync input that holds anything but 1.0 never restarts the period.
    if (sync && holds(sync, n) && sync[0] != 1) sync = nullptr;
    double t = phase;
    if (!sync && holds(rate, n)) {
        // One rate for the whole block (every sample of it is read by now):
        // its step and direction are known once, which leaves an add and one
        // comparison per sample, with the same phases as the loop below.
        const sample f = rate[0];
        const Real v = clock_step(f, inv_sr, limit);
        if (f >= 0) {
            for (int i = 0; i < n; i++) {
                const bool fired = t >= 1.0;
                if (fired) {
                    t -= 1.0;
                    event(i);
                }
                emit(i, clock_tick<Real>{t, v, fired, false});
                t += v;
            }
        } else {
            for (int i = 0; i < n; i++) {
                const bool fired = t <= 0.0;
                if (fired) {
                    t += 1.0;
                    event(i);
                }
                emit(i, clock_tick<Real>{t, v, fired, true});
                t += v;
            }
        }
    } else {
        for (int i = 0; i < n; i++) {
            const sample f = rate[i];
            bool fired;
            if (sync && sync[i] == 1 && f == f) {
                t = f >= 0 ? 0.0 : 1.0;
                fired = true;
            } else {
                fired = clock_due(t, f);
            }
            if (fired) event(i);
            const Real v = clock_step(f, inv_sr, limit);
            emit(i, clock_tick<Real>{t, v, fired, f < 0});
            t += v;
        }
    }
    phase = t;
}

// One block: at each sample, `event(i)` when due, then `emit(i, phase)` with
// the phase as it stands after the wrap and before the step. `rate[i]` is read
// before `emit` runs, so the output may share memory with the rate input.
template <typename Real, typename Event, typename Emit>
inline void clock_run(double &phase, const sample *rate, int n, Real inv_sr, Event &&event,
                      Emit &&emit) {
    clock_run_ticks(phase, rate, nullptr, n, inv_sr, Real(1), event,
                    [&](int i, const clock_tick<Real> &tick) { emit(i, tick.phase); });
}

}  // namespace vesh
