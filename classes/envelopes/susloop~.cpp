// susloop~: playback position with a sustain loop, for reading a sampled
// sound from a table. Started by a bang, a non-zero float or a rising trigger
// signal, the position moves from the start at the given speed (samples per
// sample; negative plays backwards from the end), repeats the loop region
// while held and plays on to the end once released. The status outlet sends
// 1 when playing starts and 0 when an end is reached or on "stop".
#include <cfloat>
#include <cmath>
#include <utility>

#include "envelope.hpp"
#include "vesh.hpp"

namespace {

constexpr t_float whole_range = 2147483648.0f;

struct t_susloop {
    t_object x_obj;
    double position;
    t_float loop_start;
    t_float loop_end;
    t_float size;
    t_float speed;  // the creation argument
    int looping;
    int paused;
    int forward;  // the last non-zero speed was positive
    int playing;
    int reported;  // the status outlet's last word was 1
    t_float previous_trigger;
    t_inlet *speed_inlet;
    vesh::envelope::Status status;
};

t_class *susloop_class;

t_susloop *susloop_new(t_symbol *, int argc, t_atom *argv) {
    t_float speed = 1, start = 0, end = whole_range, size = whole_range;
    if (!vesh::read_floats<t_float>(argc, argv, {&speed, &start, &end, &size})) {
        return vesh::improper_args<t_susloop>("susloop~: improper args");
    }
    // The position must stay a number, so the size must be one.
    if (!std::isfinite(size)) size = whole_range;
    if (start > end) std::swap(start, end);
    auto *x = vesh::new_object<t_susloop>(susloop_class);
    x->size = size;
    x->loop_start = start > size ? size : start;
    x->loop_end = end > size ? size : end;
    x->speed = speed;
    x->looping = 1;
    x->forward = speed > 0;
    x->position = x->forward ? 0 : size;
    x->speed_inlet = vesh::signal_inlet(&x->x_obj, speed);
    vesh::envelope::make_outlets(x);
    return x;
}

void report(t_susloop *x, int playing) {
    if (x->reported == playing) return;
    x->reported = playing;
    x->status.send_now(playing);
}

void susloop_start(t_susloop *x) {
    x->position = x->forward ? 0 : x->size;
    x->playing = 1;
    x->looping = 1;
    x->paused = 0;
    report(x, 1);
}

// The position runs on to the end.
void susloop_release(t_susloop *x) {
    x->looping = 0;
}

void susloop_float(t_susloop *x, t_floatarg f) {
    if (f != 0) {
        susloop_start(x);
    } else {
        susloop_release(x);
    }
}

void susloop_stop(t_susloop *x) {
    x->looping = 0;
    x->paused = 0;
    x->playing = 0;
    x->position = x->forward ? 0 : x->size;
    report(x, 0);
}

void susloop_pause(t_susloop *x) {
    if (x->paused || !x->playing) return;
    x->playing = 0;
    x->paused = 1;
}

void susloop_continue(t_susloop *x) {
    if (!x->paused) return;
    x->playing = 1;
    x->paused = 0;
}

// Both bounds above 0, in either order; clamped to the size as they are used.
void susloop_loop(t_susloop *x, t_floatarg start, t_floatarg end) {
    if (!(start > 0 && end > 0)) return;
    x->loop_start = start;
    x->loop_end = end;
}

void susloop_size(t_susloop *x, t_floatarg f) {
    if (f > 0 && std::isfinite(f)) x->size = f;
}

// A position moving up past the loop's end comes back by whole loop lengths;
// one that is infinite has no place in the loop and goes to its start.
double wrap_up(double position, float lo, float length) {
    const double p = lo + std::fmod(position - lo, static_cast<double>(length));
    return p == p ? p : lo;
}

// Moving down past the loop's start: one loop length up, or as many as it
// takes (worked out at once, not by a loop that a huge speed would never end).
double wrap_down(double position, float lo, float length) {
    position += length;
    if (position >= lo) return position;
    const double rest = std::fmod(position - lo, static_cast<double>(length));  // in (-length, 0]
    const double p = rest == 0 ? lo : lo + rest + length;
    return p == p ? p : lo;
}

// The position stays a number: NaN moves nothing, and an infinite speed
// moves by the largest finite one (at once past any end of the table).
inline float usable_speed(float sp) {
    if (std::fabs(sp) <= FLT_MAX) [[likely]]
        return sp;
    return sp > 0 ? FLT_MAX : sp < 0 ? -FLT_MAX : 0.0f;
}

void susloop_block(t_susloop *x, int n, const t_sample *trigger, const t_sample *speed,
                   t_sample *out) {
    const float size = x->size;
    // The loop region of this block, in order and within the table.
    float lo = x->loop_start, hi = x->loop_end;
    if (lo > hi) std::swap(lo, hi);
    if (lo > size) lo = size;
    if (hi > size) hi = size;
    const bool held = lo == hi;                // a loop of one point holds it
    const bool whole = lo == 0 && hi == size;  // no loop region: plays through
    const float length = hi - lo;

    double position = x->position;
    int looping = x->looping, forward = x->forward, playing = x->playing;
    int paused = x->paused, reported = x->reported;
    float previous = x->previous_trigger;
    for (int i = 0; i < n; i++) {
        // Every input is read before the output sample is written.
        const float tr = trigger[i];
        const float sp = usable_speed(speed[i]);
        if (sp > 0) forward = 1;
        if (sp < 0) forward = 0;

        if (tr != 0 && previous == 0) {
            if (sp != 0) position = forward ? 0 : size;
            playing = 1;
            looping = 1;
            paused = 0;
            if (!reported) {
                reported = 1;
                x->status.push(1);
            }
        } else if (tr == 0 && previous != 0) {
            looping = 0;
        }
        previous = tr;

        if (looping && whole && !held) looping = 0;
        float o;
        bool ended = false;
        if (looping) {
            if (held) {
                position = lo;
            } else if (sp < 0 && position < lo) {
                position = wrap_down(position, lo, length);
            } else if (sp > 0 && position > hi) {
                position = wrap_up(position, lo, length);
            }
            o = static_cast<float>(position);
        } else if (sp > 0 && position > size) {
            ended = true;
            o = 0;
            position = 0;
        } else if (sp < 0 && position < 0) {
            ended = true;
            o = size;
            position = size;
        } else {
            o = static_cast<float>(position);
        }
        if (ended) [[unlikely]] {
            playing = 0;
            if (reported) {
                reported = 0;
                x->status.push(0);
            }
        } else if (playing) {
            position += sp;
        }
        out[i] = o;
    }
    x->position = position;
    x->looping = looping;
    x->forward = forward;
    x->playing = playing;
    x->paused = paused;
    x->reported = reported;
    x->previous_trigger = previous;
    x->status.arm();
}

}  // namespace

VESH_SETUP {
    susloop_class = vesh::new_class<t_susloop>(VESH_CLASS_NAME, susloop_new,
                                               vesh::envelope::free_status<t_susloop>);
    vesh::signal_only_left_inlet(susloop_class);
    vesh::add_block_dsp<susloop_block>(susloop_class);
    vesh::add_bang(susloop_class, susloop_start);
    vesh::add_float(susloop_class, susloop_float);
    vesh::add_method(susloop_class, "release", susloop_release);
    vesh::add_method(susloop_class, "stop", susloop_stop);
    vesh::add_method(susloop_class, "pause", susloop_pause);
    vesh::add_method(susloop_class, "continue", susloop_continue);
    vesh::add_method_defaults(susloop_class, "loop", susloop_loop);
    vesh::add_method(susloop_class, "size", susloop_size);
}
