// The host-free engines over runs too long for the real-host tests: the phase
// engines over millions of samples, the biquad core at its resonance, the
// envelope's segment lengths.
#include "biquad_kernel.hpp"
#include "envelope_kernel.hpp"
#include "phase_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Outputs the phase, and notes whether every phase it saw was in [0, 1).
struct RisingShape : vesh::widthless_shape {
    static inline bool inside = true;
    static float out(double phase, Width) {
        inside &= phase >= 0 && phase < 1;
        return static_cast<float>(phase);
    }
};

struct PulseShape : vesh::edge_shape {
    static constexpr float high = 1;
    static constexpr float low = 0;
};

// Runs `blocks` blocks of 64 at a constant frequency and width; calls
// each(out, n) after each block.
template <typename Shape, typename Each>
double run_phase(int blocks, float frequency, float width, Each &&each) {
    std::vector<float> f(64, frequency), wd(64, width), sync(64, 0), offset(64, 0), out(64);
    const vesh::phase_block_io io = {64,          f.data(),      wd.data(),
                                     sync.data(), offset.data(), out.data()};
    double phase = 0, last = 0;
    for (int b = 0; b < blocks; b++) {
        if constexpr (vesh::edge_placing<Shape>) {
            vesh::sample previous = 0;
            phase = vesh::edge_block<Shape, vesh::sync_input::scalar>(phase, last, previous,
                                                                      1 / 44100.0, io);
        } else {
            phase =
                vesh::phase_block<Shape, vesh::sync_input::scalar>(phase, last, 1 / 44100.0, io);
        }
        each(out.data(), 64);
    }
    return phase;
}

TEST(PhaseEngine, StaysInItsCycleAndCountsItsWrapsOverMillionsOfSamples) {
    for (const float f : {440.0f, -440.0f, 22050.0f, 0.01f}) {
        long wraps = 0;
        float previous = 0;
        RisingShape::inside = true;
        run_phase<RisingShape>(160000, f, 0, [&](const float *out, int n) {  // 10 240 000 samples
            for (int i = 0; i < n; i++) {
                wraps += f > 0 ? out[i] < previous : out[i] > previous;
                previous = out[i];
            }
        });
        EXPECT_TRUE(RisingShape::inside) << f;
        EXPECT_NEAR(wraps, std::fabs(f) / 44100.0 * 10240000, 1.0) << f;
    }
}

TEST(EdgeEngine, EveryCycleKeepsBothEdgesHoweverNarrow) {
    for (const float width : {0.5f, 1e-6f, 0.999999f}) {
        long rising = 0, falling = 0;
        float previous = 0;
        run_phase<PulseShape>(50000, 1000, width, [&](const float *out, int n) {
            for (int i = 0; i < n; i++) {
                rising += out[i] > previous;
                falling += out[i] < previous;
                previous = out[i];
            }
        });
        const double cycles = 1000 / 44100.0 * 3200000;
        EXPECT_NEAR(rising, cycles, 1.0) << width;
        EXPECT_NEAR(falling, cycles, 1.0) << width;
    }
}

// A resonator design of the core, as the filter classes build theirs.
struct Resonance {
    static constexpr int parameters = 2;
    struct coefficients {
        vesh::biquad::resonator r;
        bool pass;
        double step(vesh::biquad::memory &m, double x) const { return r.step(m, x); }
    };
    using state = vesh::biquad::memory;
    using terms = vesh::biquad::no_terms;
    static int made;
    static coefficients make(const float (&p)[2], int, float nyquist, terms &) {
        made++;
        const double w = vesh::biquad::angular(p[0], nyquist, 1e-6);
        return {vesh::biquad::resonator::make(p[1], std::cos(w), std::sin(w)), false};
    }
    static void recover(state &m) { vesh::biquad::drop_non_finite(m); }
};
int Resonance::made = 0;

// Steady-state gain of the core for a sine at `hz`, with Q `q`, resonance at
// `centre`.
double gain_at(double hz, float centre, float q, int &made) {
    vesh::biquad::core<Resonance> core{};
    core.nyquist = 22050;
    std::vector<float> in(64), out(64), f(64, centre), qs(64, q);
    const float *parameters[2] = {f.data(), qs.data()};
    double peak = 0;
    Resonance::made = 0;
    for (int b = 0; b < 4000; b++) {
        for (int i = 0; i < 64; i++)
            in[i] = static_cast<float>(std::sin(2 * M_PI * hz * (b * 64 + i) / 44100));
        vesh::biquad::run(core, 64, in.data(), parameters, out.data());
        if (b >= 3000) {
            for (float y : out) peak = std::fmax(peak, std::fabs(y));
        }
    }
    made = Resonance::made;
    return peak;
}

// With the frequency and width held the edge engine takes its two-pass form;
// it must give the per-sample form's samples, for both directions, widths at
// and between the ends, moving offsets and sync impulses, and edge impulses.
template <typename Shape>
void expect_held_form_matches(float frequency, float width) {
    std::vector<float> f(64, frequency), wd(64, width), sync(64), offset(64);
    std::vector<float> held_out(64), each_out(64);
    double held_phase = 0.3, each_phase = 0.3, held_last = 0, each_last = 0;
    vesh::sample held_wave = 0, each_wave = 0;
    for (int b = 0; b < 400; b++) {
        for (int i = 0; i < 64; i++) {
            sync[i] = (b * 64 + i) % 97 == 0 ? (b % 3 == 0 ? 1.0f : 0.25f) : 0.0f;
            offset[i] = b % 5 == 0 ? 0.01f * static_cast<float>(i) : 0.0f;
        }
        const vesh::phase_block_io held = {64,          f.data(),      wd.data(),
                                           sync.data(), offset.data(), held_out.data()};
        vesh::phase_block_io each = held;
        each.out = each_out.data();
        held_phase = vesh::edge_block<Shape, vesh::sync_input::signal>(
            held_phase, held_last, held_wave, 1 / 44100.0, held);
        each_phase = vesh::detail::edge_loop<Shape, vesh::sync_input::signal, false, false, false>(
            each_phase, each_last, each_wave, 1 / 44100.0, each);
        ASSERT_EQ(held_out, each_out) << frequency << " " << width << " block " << b;
        ASSERT_EQ(held_phase, each_phase);
    }
}

struct EdgeImpulses : vesh::edge_impulse_shape {};

TEST(EdgeEngine, HeldInputsGiveThePerSampleSamples) {
    for (const float f : {440.0f, -440.0f, 0.0f, 30000.0f, -17.0f}) {
        for (const float w : {0.0f, 0.3f, 0.5f, 1.0f}) {
            expect_held_form_matches<PulseShape>(f, w);
            expect_held_form_matches<EdgeImpulses>(f, w);
        }
    }
}

TEST(BiquadCore, ResonatorPeaksAtQAndCoefficientsAreMadeOnce) {
    for (const float q : {1.0f, 5.0f, 30.0f}) {
        int made = 0;
        EXPECT_NEAR(gain_at(1000, 1000, q, made), q, q * 1e-3) << q;
        EXPECT_EQ(made, 1);  // held parameters: one set for 256 000 samples
        EXPECT_LT(gain_at(4000, 1000, q, made), q * 0.5) << q;
    }
}

TEST(EnvelopeKernel, SegmentsFollowTheSharedRoundingAndStayAtLeastOneSample) {
    const float spms = vesh::samples_per_ms(44100);
    EXPECT_EQ(vesh::envelope::segment_samples(5, spms), 221);
    EXPECT_EQ(vesh::envelope::segment_samples(0, spms), 1);
    EXPECT_EQ(vesh::envelope::segment_samples(-3, spms), 1);
    EXPECT_EQ(vesh::envelope::segment_samples(NAN, spms), 1);
    EXPECT_EQ(vesh::envelope::segment_samples(1e30f, spms), vesh::envelope::longest_segment);
}

}  // namespace
