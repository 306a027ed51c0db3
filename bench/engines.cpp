// In-process micro-benchmark of the host-free engines: each workload runs
// blocks of 64 samples through an engine as a perform routine would, and the
// best of several timed runs is printed in nanoseconds per sample. It builds
// without the host's headers, which also proves the kernels host-free.
//
//   build/bench_engines            # every workload
//   build/bench_engines phase      # workloads whose name starts with "phase"
#include "biquad_kernel.hpp"
#include "conversion_kernel.hpp"
#include "cycle_sine.hpp"
#include "delay_kernel.hpp"
#include "envelope_kernel.hpp"
#include "iteration_clock.hpp"
#include "median_kernel.hpp"
#include "meter_kernel.hpp"
#include "mixing_kernel.hpp"
#include "moving_kernel.hpp"
#include "phase_kernel.hpp"
#include "smoothing_kernel.hpp"
#include "trigger.hpp"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int block = 64;
constexpr int blocks = 20000;  // 1 280 000 samples a run
constexpr int runs = 7;

struct Saw : vesh::widthless_shape {
    static float out(double phase, Width) { return static_cast<float>(1.0 - 2.0 * phase); }
};

struct Sine : vesh::widthless_shape {
    static void out_run(const double *phase, int n, float *out) {
        vesh::turn_sines_narrowed(phase, 6.283185307179586, n, out);
    }
};

struct Square : vesh::edge_shape {
    static constexpr float high = 1;
    static constexpr float low = -1;
};

struct Lowpass {
    static constexpr double margin = 1e-6;
    using terms = vesh::biquad::no_terms;
    static vesh::biquad::direct coefficients(const float (&p)[2], int mode, double w, double cos_w,
                                             double sin_w, terms &) {
        const double alpha = vesh::biquad::alpha_of(p[1], mode, w, sin_w);
        return {(1 - cos_w) / 2, 1 - cos_w, (1 - cos_w) / 2, 1 + alpha, -2 * cos_w,
                1 - alpha,       false};
    }
};

// Inputs shared by the workloads: a held value, a moving one, white noise.
struct Inputs {
    std::vector<float> held, moving, noise, zero, out;
    Inputs() : held(block, 440), moving(block), noise(block), zero(block, 0), out(block) {
        uint32_t r = 1;
        for (int i = 0; i < block; i++) {
            moving[i] = 440 + i;
            r = r * 1664525u + 1013904223u;
            noise[i] = static_cast<float>(r >> 8) / 8388608.0f - 1.0f;
        }
    }
};

template <typename Shape>
std::function<void()> oscillator(Inputs &in, const std::vector<float> &frequency) {
    return [&in, &frequency, phase = 0.0, last = 0.0]() mutable {
        const vesh::phase_block_io io = {block,          frequency.data(), in.held.data(),
                                         in.zero.data(), in.zero.data(),   in.out.data()};
        if constexpr (vesh::edge_placing<Shape>) {
            vesh::sample previous = 0;
            phase = vesh::edge_block<Shape, vesh::sync_input::scalar>(phase, last, previous,
                                                                      1 / 44100.0, io);
        } else {
            phase =
                vesh::phase_block<Shape, vesh::sync_input::scalar>(phase, last, 1 / 44100.0, io);
        }
    };
}

std::function<void()> lowpass(Inputs &in, const std::vector<float> &cutoff) {
    auto core = std::make_shared<vesh::biquad::core<vesh::biquad::cookbook<Lowpass, 2>>>();
    core->nyquist = 22050;
    auto q = std::make_shared<std::vector<float>>(block, 0.7f);
    return [&in, &cutoff, core, q]() {
        const float *parameters[2] = {cutoff.data(), q->data()};
        vesh::biquad::run(*core, block, in.noise.data(), parameters, in.out.data());
    };
}

// A clocked map as the chaos shell runs it: the Hénon step at 1 kHz.
std::function<void()> clocked_map(Inputs &in, float rate) {
    auto rates = std::make_shared<std::vector<float>>(block, rate);
    return [&in, rates, phase = 1.0, x = 0.0, y = 0.0, held = 0.0f]() mutable {
        vesh::clock_run(
            phase, rates->data(), block, 1 / 44100.0,
            [&](int) {
                const double next = static_cast<float>(1.0 - 1.4 * x * x + 0.3 * y);
                if (next > -1.5 && next < 1.5) {
                    y = x;
                    x = next;
                } else {
                    x = y = 0;
                }
                held = static_cast<float>(y);
            },
            [&](int i, double) { in.out[i] = held; });
    };
}

// An envelope's linear release, restarted whenever it ends.
std::function<void()> release(Inputs &in) {
    struct Quiet {
        void push(int) {}
    };
    return [&in, level = 1.0f, step = 0.0, count = 0, active = int64_t{1}, gate = 1,
            segment = vesh::envelope::Segment{}, status = Quiet{}]() mutable {
        const float spms = vesh::samples_per_ms(44100);
        for (int i = 0; i < block; i++) {
            vesh::envelope::release_sample<false>(level, step, count, active, gate, segment, 100,
                                                  spms, status);
            in.out[i] = level;
        }
        if (!active) level = 1, active = 1, gate = 1;
    };
}

// A lag on noise with its factor held, as lag~ runs it for a held time.
std::function<void()> lag(Inputs &in) {
    return [&in, y = 0.0, reset = 0]() mutable {
        const double a = vesh::smoothing::decay_factor(10, 44.1f);
        vesh::smoothing::lag_run(
            y, reset, block, in.noise.data(), in.out.data(),
            [a](double z, double x, int) { return vesh::smoothing::approach(z, x, a); });
    };
}

// A glide restarted by every sample of noise, as glide~ runs it for a held time.
std::function<void()> glide(Inputs &in) {
    return [&in, state = vesh::smoothing::glide{0, 0, 0, 0, 1}, left = 0]() mutable {
        auto g = state;
        int remaining[2] = {left, 0}, reset = 0;
        vesh::smoothing::glide_run<false>(g, remaining, reset, block, in.noise.data(),
                                          in.out.data(),
                                          vesh::smoothing::held_lengths::of(441, 441, 1));
        state = g;
        left = remaining[0];
    };
}

// A moving window over noise, its length held.
template <typename Policy>
std::function<void()> moving(Inputs &in, float window) {
    auto ring = std::make_shared<std::vector<vesh::sample>>(static_cast<size_t>(window));
    auto w = std::make_shared<std::vector<float>>(block, window);
    return [&in, ring, w, sum = vesh::moving::Sum{}]() mutable {
        vesh::moving::run<Policy>(sum, ring->data(), static_cast<int>(ring->size()), block,
                                  in.noise.data(), w->data(), in.out.data());
    };
}

std::function<void()> median(Inputs &in, int size) {
    return [&in, size]() { vesh::median::filter(in.noise.data(), in.out.data(), block, size); };
}

// A one-second line read at a held or a moving delay (in samples).
std::function<void()> delay(Inputs &in, const std::vector<float> &time) {
    auto line = std::make_shared<vesh::delay::Line>();
    auto buf = std::make_shared<std::vector<float>>(44100 + vesh::delay::extra);
    line->use(buf->data(), 44100);
    return [&in, &time, line, buf]() {
        line->run<false>(in.noise.data(), time.data(), 1.0f, in.out.data(), block);
    };
}

// vu~'s windowed power and peak at its default settings.
std::function<void()> meter(Inputs &in) {
    auto window = std::make_shared<std::vector<float>>(1024 + 64);
    vesh::meter::fill_window(window->data(), 1024, 1024 + 64);
    return [&in, window, sums = vesh::meter::PartialSums{}, peak = 0.0f]() mutable {
        float power;
        peak = vesh::meter::block_peak(in.noise.data(), block, peak);
        if (sums.add(window->data(), 1024, 512, in.noise.data(), block, power)) peak = 0;
    };
}

// The rounding classes: floor of every sample of scaled noise.
std::function<void()> rounding(Inputs &in) {
    return [&in]() {
        for (int i = 0; i < block; i++) in.out[i] = vesh::conversion::floor(in.noise[i] * 100.0f);
    };
}

// One channel of xfade~'s crossfade, its mix moving every sample.
std::function<void()> crossfade(Inputs &in) {
    return [&in]() {
        for (int i = 0; i < block; i++) {
            const vesh::mixing::crossfade fade(in.noise[i]);
            in.out[i] = fade(in.noise[i], in.held[i]);
        }
    };
}

// The trigger hold over four lanes, as trighold~ runs it, on noise whose
// negative half is cut to 0 (an onset every few samples).
std::function<void()> trigger_hold(Inputs &in) {
    auto gate = std::make_shared<std::vector<float>>(in.noise);
    for (float &v : *gate) v = v < 0 ? 0 : v;
    return [&in, gate, history = std::array<float, 2>{}, held = vesh::trigger::lanes{}]() mutable {
        using namespace vesh::trigger;
        float h[2] = {history[0], history[1]};
        each_sample<1>(gate->data(), block, h, {in.out.data()}, [&](lanes, lanes p, lanes v) {
            held = hold((p == lanes{}) & (v != lanes{}), v, held);
            const lanes y = held;
            held = last(held);
            return std::array<lanes, 1>{y};
        });
        history = {h[0], h[1]};
    };
}

// ---- Floors -----------------------------------------------------------
// The bare recursions, each sample's arithmetic in the order its class (or
// the vanilla object it is measured beside) must keep: no loop can be faster
// than the chain of dependent operations from one sample to the next.

// Vanilla lop~: y = c x + (1 - c) y in single precision.
std::function<void()> floor_lop(Inputs &in) {
    return [&in, state = 0.0f]() mutable {
        const float c = 0.01f, f = 1 - c;
        float y = state;
        for (int i = 0; i < block; i++) in.out[i] = y = c * in.noise[i] + f * y;
        state = y;
    };
}

// Vanilla biquad~: w = x + fb1 w1 + fb2 w2, y = ff1 w + ff2 w1 + ff3 w2, in
// single precision.
std::function<void()> floor_biquad(Inputs &in) {
    return [&in, state = std::array<float, 2>{}]() mutable {
        const float fb1 = 1.79907f, fb2 = -0.81625f, ff1 = 0.0046f, ff2 = 0.0092f, ff3 = 0.0046f;
        auto [w1, w2] = state;
        for (int i = 0; i < block; i++) {
            const float w = in.noise[i] + fb1 * w1 + fb2 * w2;
            in.out[i] = ff1 * w + ff2 * w1 + ff3 * w2;
            w2 = w1;
            w1 = w;
        }
        state = {w1, w2};
    };
}

// svfilter~: ten single-precision operations from one band state to the
// next (the saturation is three of them), with its four outputs.
std::function<void()> floor_svfilter(Inputs &in) {
    auto outs = std::make_shared<std::vector<float>>(3 * block);
    return [&in, outs, state = std::array<float, 2>{}]() mutable {
        const float k = 0.1423f, d = 0.36f;
        auto [band, low] = state;
        float *o = outs->data();
        for (int i = 0; i < block; i++) {
            low = low + k * band;
            const float high = in.noise[i] - low - d * band;
            band = band + k * high;
            in.out[i] = low;
            o[i] = high;
            o[block + i] = band;
            o[2 * block + i] = high + low;
            band = band - 0.0001f * (band * band * band);
        }
        state = {band, low};
    };
}

// lag~: x + (y - x) a in double.
std::function<void()> floor_lag(Inputs &in) {
    return [&in, state = 0.0]() mutable {
        const double a = 0.99;
        double y = state;
        for (int i = 0; i < block; i++) {
            const double x = in.noise[i];
            y = x + (y - x) * a;
            in.out[i] = static_cast<float>(y);
        }
        state = y;
    };
}

// biquads~'s section: five products summed feedback first, in double.
std::function<void()> floor_raw_section(Inputs &in) {
    return [&in, state = std::array<double, 4>{}]() mutable {
        const double fb1 = 1.79907, fb2 = -0.81625, ff1 = 0.0046, ff2 = 0.0092, ff3 = 0.0046;
        auto [y1, y2, x1, x2] = state;
        for (int i = 0; i < block; i++) {
            const double x = in.noise[i];
            const double y = fb1 * y1 + fb2 * y2 + ff1 * x + ff2 * x1 + ff3 * x2;
            y2 = y1, y1 = y, x2 = x1, x1 = x;
            in.out[i] = static_cast<float>(y);
        }
        state = {y1, y2, x1, x2};
    };
}

// The moving sum: the new square in, the oldest out, in double.
std::function<void()> floor_running_sum(Inputs &in) {
    return [&in, state = 0.0]() mutable {
        double sum = state;
        for (int i = 0; i < block; i++) {
            const double v = in.noise[i];
            sum = sum + v * v - in.held[i];
            in.out[i] = static_cast<float>(sum);
        }
        state = sum;
    };
}

// The iteration clock's phase: one add a sample.
std::function<void()> floor_phase(Inputs &in) {
    return [&in, phase = 0.0]() mutable {
        const double v = 1000 / 44100.0;
        double t = phase;
        for (int i = 0; i < block; i++) {
            in.out[i] = static_cast<float>(t);
            t += v;
        }
        phase = t >= 1 ? t - 1 : t;
    };
}

double ns_per_sample(const std::function<void()> &work) {
    double best = 1e30;
    for (int r = 0; r < runs; r++) {
        const auto start = std::chrono::steady_clock::now();
        for (int b = 0; b < blocks; b++) work();
        const std::chrono::duration<double, std::nano> took =
            std::chrono::steady_clock::now() - start;
        best = std::fmin(best, took.count() / (blocks * block));
    }
    return best;
}

}  // namespace

int main(int argc, char **argv) {
    Inputs in;
    const struct {
        const char *name;
        std::function<void()> work;
    } workloads[] = {
        {"phase saw, held frequency", oscillator<Saw>(in, in.held)},
        {"phase saw, moving frequency", oscillator<Saw>(in, in.moving)},
        {"phase sine, held frequency", oscillator<Sine>(in, in.held)},
        {"edge square, held frequency", oscillator<Square>(in, in.held)},
        {"edge square, moving frequency", oscillator<Square>(in, in.moving)},
        {"biquad lowpass, held cutoff", lowpass(in, in.held)},
        {"biquad lowpass, moving cutoff", lowpass(in, in.moving)},
        {"clock henon at 1 kHz", clocked_map(in, 1000)},
        {"clock henon every sample", clocked_map(in, 44100)},
        {"envelope linear release", release(in)},
        {"lag on noise, held time", lag(in)},
        {"glide on noise, held time", glide(in)},
        {"moving average, window 16", moving<vesh::moving::average<false>>(in, 16)},
        {"moving average, window 100000", moving<vesh::moving::average<false>>(in, 100000)},
        {"moving rms, window 16", moving<vesh::moving::rms<false>>(in, 16)},
        {"moving rms, window 100000", moving<vesh::moving::rms<false>>(in, 100000)},
        {"moving rms in dB, window 16", moving<vesh::moving::rms<true>>(in, 16)},
        {"median of 3", median(in, 3)},
        {"median of 64", median(in, 64)},
        {"delay, held time", delay(in, in.held)},
        {"delay, moving time", delay(in, in.moving)},
        {"meter, 1024 points", meter(in)},
        {"rounding floor on noise", rounding(in)},
        {"crossfade, moving mix", crossfade(in)},
        {"trigger hold on gated noise", trigger_hold(in)},
        {"floor lop~", floor_lop(in)},
        {"floor biquad~", floor_biquad(in)},
        {"floor svfilter~", floor_svfilter(in)},
        {"floor lag~", floor_lag(in)},
        {"floor biquads~ section", floor_raw_section(in)},
        {"floor running sum", floor_running_sum(in)},
        {"floor clock phase", floor_phase(in)},
    };
    for (const auto &w : workloads) {
        bool wanted = argc < 2;
        for (int k = 1; k < argc; k++)
            wanted |= std::strncmp(w.name, argv[k], std::strlen(argv[k])) == 0;
        if (wanted) std::printf("%-32s %7.2f ns/sample\n", w.name, ns_per_sample(w.work));
    }
    return 0;
}
