// susloop~: playback position with a sustain loop, for reading a sampled
// sound from a table. Started by a bang, a non-zero float or a rising trigger
// signal, the position moves from the start at the given speed (samples per
// sample; negative plays backwards from the end), repeats the loop region
// while held and plays on to the end once released. The status outlet sends
// 1 when playing starts and 0 when an end is reached or on "stop".
#include <cfloat>
#include <cmath>
#include <utility>

#include "block.hpp"
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

// The loop region of one block, in order and within the table.
struct Region {
    float size, lo, hi, length;
    bool held;   // a loop of one point holds it
    bool whole;  // no loop region: plays through

    explicit Region(const t_susloop *x) : size(x->size), lo(x->loop_start), hi(x->loop_end) {
        if (lo > hi) std::swap(lo, hi);
        if (lo > size) lo = size;
        if (hi > size) hi = size;
        length = hi - lo;
        held = lo == hi;
        whole = lo == 0 && hi == size && !held;
    }
};

// What a block changes, in registers.
struct Play {
    double position;
    int looping, forward, playing, paused, reported;
    t_float previous;  // trigger sample
    vesh::envelope::Status *status;

    // A trigger edge, and the speed's direction.
    void edges(t_sample tr, float sp, float size) {
        if (sp > 0) forward = 1;
        if (sp < 0) forward = 0;
        const bool now = tr != 0, before = previous != 0;
        previous = tr;
        if (now == before) [[likely]]
            return;
        if (!now) {
            looping = 0;
            return;
        }
        if (sp != 0) position = forward ? 0 : size;
        playing = 1;
        looping = 1;
        paused = 0;
        if (!reported) {
            reported = 1;
            status->push(1);
        }
    }

    // One sample's output, and the move to the next (Sign: the speed's sign).
    template <int Sign>
    float move(const Region &r, float sp) {
        if (looping && r.whole) looping = 0;
        if (looping) {
            if (r.held) {
                position = r.lo;
            } else if (Sign < 0 && position < r.lo) {
                position = wrap_down(position, r.lo, r.length);
            } else if (Sign > 0 && position > r.hi) {
                position = wrap_up(position, r.lo, r.length);
            }
        } else if ((Sign > 0 && position > r.size) || (Sign < 0 && position < 0)) [[unlikely]] {
            position = Sign > 0 ? 0 : r.size;
            playing = 0;
            if (reported) {
                reported = 0;
                status->push(0);
            }
            return Sign > 0 ? 0 : r.size;
        }
        const auto o = static_cast<float>(position);
        if (playing) position += sp;
        return o;
    }

    float move(const Region &r, float sp) {
        return sp > 0 ? move<1>(r, sp) : sp < 0 ? move<-1>(r, sp) : move<0>(r, sp);
    }
};

// The rest of a block whose inputs hold still.
template <int Sign>
void move_on(Play &p, const Region &r, float sp, int i, int n, t_sample *out) {
    if (Sign != 0 && p.looping && p.playing && !r.held && !r.whole) {
        // Held in the loop: only the position changes, as move() would have it.
        double position = p.position;
        for (; i < n; i++) {
            if (Sign < 0 && position < r.lo) position = wrap_down(position, r.lo, r.length);
            if (Sign > 0 && position > r.hi) position = wrap_up(position, r.lo, r.length);
            out[i] = static_cast<float>(position);
            position += sp;
        }
        p.position = position;
        return;
    }
    for (; i < n; i++) out[i] = p.move<Sign>(r, sp);
}

// A block whose speed holds still. A trigger that holds still too can change
// things only at the first sample.
template <int Sign>
void steady_speed(Play &p, const Region &r, float sp, int n, const t_sample *trigger,
                  t_sample *out) {
    if (vesh::holds(trigger, n, trigger[0])) {
        p.edges(trigger[0], sp, r.size);
        out[0] = p.move<Sign>(r, sp);
        move_on<Sign>(p, r, sp, 1, n, out);
        return;
    }
    for (int i = 0; i < n; i++) {
        p.edges(trigger[i], sp, r.size);
        out[i] = p.move<Sign>(r, sp);
    }
}

void susloop_block(t_susloop *x, int n, const t_sample *trigger, const t_sample *speed,
                   t_sample *out) {
    if (n <= 0) return;
    const Region r(x);
    Play p = {x->position, x->looping,  x->forward,          x->playing,
              x->paused,   x->reported, x->previous_trigger, &x->status};
    // Every input is read before the output sample is written.
    if (vesh::holds(speed, n, speed[0])) {
        const float sp = usable_speed(speed[0]);
        if (sp > 0) {
            steady_speed<1>(p, r, sp, n, trigger, out);
        } else if (sp < 0) {
            steady_speed<-1>(p, r, sp, n, trigger, out);
        } else {
            steady_speed<0>(p, r, sp, n, trigger, out);
        }
    } else {
        for (int i = 0; i < n; i++) {
            const float sp = usable_speed(speed[i]);
            p.edges(trigger[i], sp, r.size);
            out[i] = p.move(r, sp);
        }
    }
    x->position = p.position;
    x->looping = p.looping;
    x->forward = p.forward;
    x->playing = p.playing;
    x->paused = p.paused;
    x->reported = p.reported;
    x->previous_trigger = p.previous;
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
