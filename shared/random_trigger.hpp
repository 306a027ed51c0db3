// What rand.f~ and rand.i~ share: their bounds arguments, and the rule of
// when a trigger signal asks for a new value.
#pragma once

#include "args.hpp"
#include "block.hpp"

#include <m_pd.h>

namespace vesh {

// The bounds: none (the defaults stay), the upper one alone (the lower one is
// then 0), or both. False (improper) for anything else: more than two
// arguments, or one that is not a number.
inline bool read_bounds(int argc, const t_atom *argv, t_float &low, t_float &high) {
    if (argc > 2 || !all_floats(argc, argv)) return false;
    if (argc == 1) {
        low = 0;
        high = argv[0].a_w.w_float;
    } else if (argc == 2) {
        low = argv[0].a_w.w_float;
        high = argv[1].a_w.w_float;
    }
    return true;
}

// A trigger crosses zero when it rises above 0 from 0 or below, or falls
// below 0 from 0 or above.
constexpr bool crosses_zero(float previous, sample now) {
    return (now > 0 && previous <= 0) || (now < 0 && previous >= 0);
}

// One block of a triggered draw: at each sample, `take(i, due)` with due true
// when a bang is pending or the trigger crosses zero; `take` draws when due
// and writes out[i], and returns false when it could not draw (a pending
// bang then waits). The trigger is read before `take` runs, so the output may
// share memory with it.
template <typename Take>
inline void trigger_run(bool &pending, float &previous, const sample *trigger, int n, Take &&take) {
    bool waiting = pending;
    float before = previous;
    int i = 0;
    for (; i < n && waiting; i++) {
        const sample t = trigger[i];
        waiting = !take(i, true);
        before = static_cast<float>(t);
    }
    for (; i < n; i++) {
        const sample t = trigger[i];
        take(i, crosses_zero(before, t));
        before = static_cast<float>(t);
    }
    pending = waiting;
    previous = before;
}

}  // namespace vesh
