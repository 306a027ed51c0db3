"""svfilter~, biquads~, crossover~ and freq.shift~ in pd, sample by sample
against models in each class's own precision."""
import math
import struct

import pytest
from single import F, narrow, render, same, sincosf, sinf, tanf
from vpd import BLOCK, Patch, f32

TWO_PI = 6.283185307179586


def finite(values):
    return [v if math.isfinite(v) else type(v)(0) for v in values]


def at_block_end(i):
    return i % BLOCK == BLOCK - 1


def svfilter(xs, fs, qs, clears=(), sr=44100):
    """Single precision; parameters from the first sample of each block."""
    def flush(v):  # big-or-small: the two highest exponent bits equal
        bits = struct.unpack("<I", struct.pack("<f", v))[0]
        return F(0) if (bits >> 29) & 1 == (bits >> 30) & 1 else v

    factor, band, low, outs = F(TWO_PI / sr), F(0), F(0), ([], [], [], [])
    for b in range(0, len(xs), BLOCK):
        if b // BLOCK in clears:
            band = low = F(0)
        angle = factor * F(fs[b])
        k = F(0) if angle < 0 else F(1) if angle > math.pi / 2 else F(sinf(angle))
        d0 = F((1.0 - f32(qs[b])) * 1.2)
        d = F(0) if d0 < 0 else F(1.44) if d0 > 1.2 else d0 * d0
        for x in map(F, xs[b:b + BLOCK]):
            low = low + k * band
            high = x - low - d * band
            band = band + k * high
            for o, v in zip(outs, (low, high, band, high + low)):
                o.append(narrow(v))
            band = band - F(0.0001) * (band * band * band)
        band, low = flush(band), flush(low)
    return outs


@pytest.mark.parametrize("text,f,q", [
    ("svfilter~ 1000 0.5", 1000, 0.5),
    ("svfilter~", 0, 0.01),
    ("svfilter~ 3000", 3000, 0.01),
    ("svfilter~ foo 3000 0.5", 0, 0.01),  # no leading float: all defaults
    ("svfilter~ 3000 foo", 3000, 0.01),
    ("svfilter~ 11025 0.3", 11025, 0.3),  # a quarter of the sample rate: k = 1
    ("svfilter~ 20000 1.5", 20000, 1.5),  # above it, and no damping
    ("svfilter~ -100 -1", -100, -1),      # k = 0, strongest damping
    ("svfilter~ 500 1", 500, 1),
])
def test_svfilter_outputs(text, f, q):
    xs, outs, _ = render(text, outlets=4)
    assert all(same(*pair) for pair in zip(outs, svfilter(xs, [f] * 256, [q] * 256)))


def test_svfilter_reads_parameters_at_block_starts_and_clears():
    xs, outs, (fs, qs) = render("svfilter~", blocks=6, sends=[("clear", 0, 3)], outlets=4,
                                params=[(1, ["osc~ 300", "*~ 2000", "+~ 3000"]),
                                        (2, ["osc~ 50", "*~ 0.4", "+~ 0.5"])])
    assert len(set(fs[:BLOCK])) > 30
    assert all(same(*pair) for pair in zip(outs, svfilter(xs, fs, qs, clears={3})))


def test_svfilter_starts_from_rest_at_each_dsp_start():
    p = Patch()
    src, flt, pd = p.obj("noise~"), p.obj("svfilter~ 800 0.9"), p.obj("s pd")
    p.connect(src, 0, flt, 0)
    p.probe_signal(src)
    p.probe_signal(flt, 2)
    p.send(pd, "dsp 0", at_block=2)
    p.send(pd, "dsp 1", at_block=2)
    r = p.run(blocks=4)
    assert same(r.samples(flt, 2), svfilter(r.samples(src), [800] * 256, [0.9] * 256, {2})[2])


def test_svfilter_self_oscillation_stays_bounded():
    _, (lows,), _ = render("svfilter~ 2000 1", blocks=600)
    assert all(math.isfinite(v) for v in lows)
    assert 1 < max(abs(v) for v in lows[-50 * BLOCK:]) < 1000


def biquads(xs, lists, bypass={}, clears=()):
    """Double-precision sections, feedback added (feedback terms first);
    `lists` and `bypass` by block."""
    sections, mem, on, out = [], [[0.0] * 4 for _ in range(50)], False, []
    for i, x in enumerate(xs):
        blk = i // BLOCK
        if i % BLOCK == 0:
            v = lists.get(blk, None)
            sections = sections if v is None else [v[k:k + 5] for k in range(0, 250, 5)
                                                   if k + 5 <= len(v)]
            on = bypass.get(blk, on)
            mem = [[0.0] * 4 if blk in clears and s < len(sections) else m
                   for s, m in enumerate(mem)]
        if on or not sections:
            out.append(x)
            continue
        for (fb1, fb2, ff1, ff2, ff3), m in zip(sections, mem):
            y = fb1 * m[2] + fb2 * m[3] + ff1 * x + ff2 * m[0] + ff3 * m[1]
            m[:], x = [x, m[0], y, m[2]], y
        out.append(narrow(x))
        if at_block_end(i):
            mem = [finite(m) for m in mem]
    return out


LOWPASS = "1.79907 -0.81625 0.0046 0.0092 0.0046"


def numbers(text):
    return [f32(float(t)) if t[0] in "-.0123456789" else 0.0 for t in text.split()]


@pytest.mark.parametrize("coefficients", [
    LOWPASS,
    LOWPASS + " 0.3 0 0.7 0.1 0",
    "0.5 0.1 0.5 -0.2 0.1 9 9",            # 7 numbers: one section
    " ".join(["0.2 0 0.8 0.1 0"] * 50 + ["0 0 0 0 0"] * 10),  # 300 numbers: the first 50
    "1 2 3 4",                             # fewer than 5: the input passes
    "0.5 foo 0.5 0 0",                     # a symbol reads as 0
])
def test_biquads_cascade(coefficients):
    xs, (ys,), _ = render("biquads~", sends=[(coefficients, 0, 0)])
    assert same(ys, biquads(xs, {0: numbers(coefficients)}))


def test_biquads_identity_bypass_clear_and_new_lists():
    xs, (ys,), _ = render("biquads~", sends=[("0 0 1 0 0", 0, 0)], blocks=1)
    assert ys == xs
    events = [(LOWPASS, 0, 0), ("bypass 1", 0, 1), ("bypass", 0, 2), ("clear", 0, 3),
              ("0.5 0 0.5 0 0", 0, 4), ("1e+39 0 1 0 0", 0, 5), (LOWPASS, 0, 6), ("7", 0, 7)]
    xs, (ys,), _ = render("biquads~", blocks=8, sends=events)
    lists = {0: numbers(LOWPASS), 4: [0.5, 0, 0.5, 0, 0], 5: [math.inf, 0, 1, 0, 0],
             6: numbers(LOWPASS), 7: [7.0]}
    assert same(ys, biquads(xs, lists, bypass={1: True, 2: False}, clears={3}))
    assert ys[BLOCK:2 * BLOCK] == xs[BLOCK:2 * BLOCK]
    assert not all(math.isfinite(y) for y in ys[5 * BLOCK:6 * BLOCK])
    assert all(math.isfinite(y) for y in ys[6 * BLOCK:])  # recovered by the next block


def crossover(xs, fis, nyq=22050.0, clears=()):
    """Single precision; the high path's first stage the bilinear highpass."""
    f, outs = F(1000), ([], [])
    for i, x in enumerate(map(F, xs)):
        if i % BLOCK == 0 and i // BLOCK in clears or i == 0:
            x1 = lp1 = lp2 = low1 = low2 = hp1 = hp2 = high1 = high2 = F(0)
        f = F(fis[i]) if fis[i] >= 1 else f
        f = min(f, F(nyq))
        angle = f / F(nyq) * F(1.57079637)
        k = F(13245402) if angle > F(1.57079625) else F(tanf(angle))  # kept below pi/2
        d = F(1) + F(0.99999994) * k + k * k
        a, b = (F(1) - k * k) / d, F(1.7320509) * k / d
        p = (F(1) - k * k) / ((k + F(1)) * (k + F(1)))
        two_a, r2 = F(2) * a, a * a + b * b
        g_low, g_high = ((a - 1) * (a - 1) + b * b) * 0.25, ((a + 1) * (a + 1) + b * b) * 0.25
        lp = p * lp1 + F(0.5) * F(abs(1 - p)) * (x + x1)
        low = g_low * (lp + 2 * lp1 + lp2) + two_a * low1 - r2 * low2
        hp = p * hp1 + F(0.5) * (1 + p) * (x - x1)
        high = g_high * (hp - 2 * hp1 + hp2) + two_a * high1 - r2 * high2
        outs[0].append(narrow(low))
        outs[1].append(narrow(high))
        x1, lp2, lp1, low2, low1, hp2, hp1, high2, high1 = x, lp1, lp, low1, low, hp1, hp, \
            high1, high
        if at_block_end(i):
            x1, lp1, lp2, low1, low2, hp1, hp2, high1, high2 = finite(
                (x1, lp1, lp2, low1, low2, hp1, hp2, high1, high2))
    return outs


@pytest.mark.parametrize("text,sends,f", [
    ("crossover~ 1000", [], 1000),
    ("crossover~ 150", [("clear", 0, 2)], 150),
    ("crossover~", [], 0),                       # 0 means the initial 1000 Hz
    ("crossover~ 3000", [("0.5", 1, 2)], None),  # below 1 Hz: the last one holds
    ("crossover~ 22050", [], 22050),             # the Nyquist frequency
    ("crossover~ 30000", [], 30000),             # above it: held there
])
def test_crossover_bands(text, sends, f):
    xs, outs, _ = render(text, blocks=6, sends=sends, outlets=2)
    fis = [f] * len(xs) if f is not None else [3000] * 128 + [0.5] * (len(xs) - 128)
    want = crossover(xs, fis, clears={2} if sends and sends[0][0] == "clear" else ())
    assert same(outs[0], want[0]) and same(outs[1], want[1])
    assert all(math.isfinite(v) for v in outs[0] + outs[1])


def test_crossover_follows_a_moving_frequency_and_recovers_from_infinity():
    xs, outs, (fis,) = render("crossover~", blocks=6, outlets=2,
                              params=[(1, ["osc~ 200", "*~ 3000", "+~ 2500"])])
    assert all(same(*pair) for pair in zip(outs, crossover(xs, fis)))
    _, (lows, highs), _ = render("crossover~ 500", source="sig~ 0.5", blocks=4, outlets=2,
                                 source_sends=[("1e+39", 1), ("0.5", 2)])
    assert not math.isfinite(lows[BLOCK + 3])
    assert all(math.isfinite(v) for v in lows[2 * BLOCK:] + highs[2 * BLOCK:])


@pytest.mark.parametrize("hz", [60, 700, 1000, 4000, 15000])
def test_crossover_bands_sum_to_an_allpass(hz):
    # low - high keeps the level of a sine at every frequency
    _, (lows, highs), _ = render("crossover~ 1000", source=f"osc~ {hz}", blocks=120, outlets=2)
    tail = [lo - hi for lo, hi in zip(lows[-2000:], highs[-2000:])]
    assert abs(max(tail) - 1) < 2e-3 and abs(min(tail) + 1) < 2e-3


IN_PHASE = ((-0.02569, 0.260502), (1.8685, -0.870686))
QUADRATURE = ((1.94632, -0.94657), (0.83774, -0.06338))


def freq_shift(xs, shifts, clears=(), sr=44100.0):
    """Single precision: two allpass paths and a quadrature oscillator."""
    def path(sections, mems, x):
        for (fb1, fb2), m in zip(sections, mems):
            fb1, fb2 = F(fb1), F(fb2)
            y = -fb2 * x - fb1 * m[0] + m[1] + fb1 * m[2] + fb2 * m[3]
            m[:], x = [x, m[0], y, m[2]], y
        return x

    phase, outs = F(0), ([], [])
    for i, x in enumerate(map(F, xs)):
        if i == 0 or i % BLOCK == 0 and i // BLOCK in clears:
            mems = [[F(0)] * 4 for _ in range(4)]
        inc = F(shifts[i]) / F(sr)
        phase = phase + (max(-1.0, min(1.0, inc)) if inc == inc else 0.0)  # NaN: no move
        re, im = path(IN_PHASE, mems[:2], x), path(QUADRATURE, mems[2:], x)
        phase = phase - 1 if phase > 1 else phase + 1 if phase < 0 else phase
        si, co = map(F, sincosf(F(TWO_PI) * phase))
        outs[0].append(narrow(re * co - im * si))
        outs[1].append(narrow(im * si + re * co))
        if at_block_end(i):
            mems = [finite(m) for m in mems]
    return outs


@pytest.mark.parametrize("text,shift,params", [
    ("freq.shift~ 100", 100, ()),
    ("freq.shift~ -250", -250, ()),
    ("freq.shift~", 0, ()),
    ("freq.shift~ 44100", 44100, ()),   # one cycle a sample: the phase stays
    ("freq.shift~ 1e+06", 1e6, ()),
    ("freq.shift~", None, [(1, ["osc~ 30", "*~ 600"])]),
    ("freq.shift~", None, [(1, ["sig~ 1e+39", "*~ 0"])]),  # NaN: the phase stays
])
def test_freq_shift_outputs(text, shift, params):
    xs, outs, cols = render(text, params=params, sends=[("clear", 0, 2)], outlets=2)
    want = freq_shift(xs, cols[0] if cols else [shift] * len(xs), clears={2})
    assert same(outs[0], want[0]) and same(outs[1], want[1])
    assert shift != 0 or outs[0] == outs[1]


def test_freq_shift_moves_a_sine_up_and_down():
    _, outs, _ = render("freq.shift~ 300", source="osc~ 1000", blocks=200, outlets=2)
    rates = [sum(1 for a, b in zip(ys[-8000:], ys[-7999:]) if a < 0 <= b) * 44100 / 8000
             for ys in outs]
    assert abs(rates[0] - 1300) < 12 and abs(rates[1] - 700) < 12
