// trig.delay~: delays each unit trigger (a sample of exactly 1) by a time in
// milliseconds; a new trigger before the delayed one has come out replaces it.
#include "trigger_delay.hpp"

namespace {

// The count is the samples since the pending trigger.
t_sample retrigger_step(bool trigger, int64_t d, int64_t &q, int &active) {
    if (trigger) {
        active = 1;
        q = 0;
        return d == 0 ? 1 : 0;
    }
    if (active) {
        q++;
        return d == q ? 1 : 0;
    }
    return 0;
}

}  // namespace

VESH_SETUP {
    vesh::trigger_delay::setup<retrigger_step>();
}
