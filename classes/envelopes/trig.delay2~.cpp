// trig.delay2~: delays a unit trigger (a sample of exactly 1) by a time in
// milliseconds; triggers arriving while a delay runs are ignored.
#include "trigger_delay.hpp"

namespace {

// The count is the samples since the running delay began, plus one.
t_sample ignoring_step(bool trigger, int64_t d, int64_t &q, int &active) {
    if (active) {
        const t_sample y = d == q ? 1 : 0;
        q++;
        return y;
    }
    if (trigger) {
        active = 1;
        q = 1;
        return d == 0 ? 1 : 0;
    }
    return 0;
}

}  // namespace

VESH_SETUP {
    vesh::trigger_delay::setup<ignoring_step>();
}
