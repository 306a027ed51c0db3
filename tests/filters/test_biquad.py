"""The biquad filters in pd, sample by sample against a double-precision model."""
import math

import pytest
from single import narrow, same
from single import render as render_box
from vpd import Patch, f32

PI = 3.141592653589793
HALF_LN2 = 0.34657359027997264
T60_Q = 0.0004547921179472805
T60_RATE = 6907.755278982137
BLOCK = 64
WIDE = ("eq~", "lowshelf~", "highshelf~")  # kept 0.1 Hz inside the band


def safe(fn, *args):
    try:
        return fn(*args)
    except OverflowError:
        return math.inf


def inside(f, nyq, margin):
    f = f if f > margin else margin
    return f if f < nyq - margin else nyq - margin


def resonator(q, cw, sw):
    alpha = sw / (2 * q)
    return ("r", (2 * cw, alpha - 1, q * alpha, 1 + alpha))


def coefficients(name, p, bw, nyq):
    """(kind, coefficients, pass) for one sample of parameters `p`."""
    f = p[0]
    w = inside(f, nyq, 0.1 if name in WIDE else 1e-6) * PI / nyq
    sw, cw = math.sin(w), math.cos(w)

    def q_of(v, clamp=True):
        v = max(v, 1e-6)
        if bw:
            v = 0.5 / safe(math.sinh, HALF_LN2 * v * w / sw)
        return max(v, 1e-6) if clamp else v

    if name in ("lowpass~", "highpass~", "allpass.2nd~", "eq~"):
        a = sw / (2 * q_of(p[1]))
        den = (1 + a, -2 * cw, 1 - a)
        if name == "lowpass~":
            return "d", ((1 - cw) / 2, 1 - cw, (1 - cw) / 2) + den, False
        if name == "highpass~":
            return "d", ((1 + cw) / 2, -(1 + cw), (1 + cw) / 2) + den, False
        if name == "allpass.2nd~":
            return "d", (1 - a, -2 * cw, 1 + a) + den, False
        g = safe(math.pow, 10, p[2] * 0.025)
        return "d", (1 + a * g, -2 * cw, 1 - a * g, 1 + a / g, -2 * cw, 1 - a / g), False
    if name == "bandpass~":
        q = q_of(p[1], clamp=False) if bw else p[1]
        passing = not q >= 1e-6
        a = sw / (2 * (1e-6 if passing else q))
        return "d", (a, 0, -a, 1 + a, -2 * cw, 1 - a), passing
    if name in ("lowshelf~", "highshelf~"):
        s = max(min(p[1], 1), 1e-6)
        a = safe(math.pow, 10, p[2] * 0.025)
        a2 = safe(math.pow, 100, p[2] * 0.025)
        beta = sw * math.sqrt((a2 + 1) * (1 / s - 1) + 2 * a)
        if name == "lowshelf~":
            return "d", (a * ((a + 1) - (a - 1) * cw + beta), 2 * a * ((a - 1) - (a + 1) * cw),
                         a * ((a + 1) - (a - 1) * cw - beta), (a + 1) + (a - 1) * cw + beta,
                         -2 * ((a - 1) + (a + 1) * cw), (a + 1) + (a - 1) * cw - beta), False
        return "d", (a * ((a + 1) + (a - 1) * cw + beta), -2 * a * ((a - 1) + (a + 1) * cw),
                     a * ((a + 1) + (a - 1) * cw - beta), (a + 1) - (a - 1) * cw + beta,
                     2 * ((a - 1) - (a + 1) * cw), (a + 1) - (a - 1) * cw - beta), False
    if name == "resonant~":
        q = p[1] if bw else p[1] * f * T60_Q  # here bw means Q mode
        passing = not q >= 1e-6
        return resonator(1e-6 if passing else q, cw, sw) + (passing,)
    # resonant2~
    fc = inside(f, nyq, 1e-6)
    ta, td = p[1], p[2]
    att = resonator(ta * fc * T60_Q, cw, sw) if ta > 0 else None
    dec = resonator(td * fc * T60_Q, cw, sw) if td > 0 else None
    scale = 1.0
    if att and dec and ta != td:
        ka, kd = T60_RATE / ta, T60_RATE / td
        t = math.log(ka / kd) / (ka - kd)
        scale = abs(1 / (math.exp(-kd * t) - math.exp(-ka * t)))
    return "2", (att, dec, scale), False


def step(c, m, x):
    kind, k = c
    if kind == "d":
        y = (k[0] * x + k[1] * m[0] + k[2] * m[1] - k[4] * m[2] - k[5] * m[3]) / k[3]
    else:
        y = (k[0] * m[2] + k[1] * m[3] + k[2] * (x - m[1])) / k[3]
    m[:] = [x, m[0], y, m[2]]
    return y


def model(name, xs, params, mode=0, bypass=(), clear=(), nyq=22050.0):
    """Expected float32 outputs. `params` is one tuple per sample (or one for all);
    `mode`, `bypass` and `clear` may change at block starts (dicts block -> value)."""
    mem, mem2 = [0.0] * 4, [0.0] * 4
    modes = mode if isinstance(mode, dict) else {0: mode}
    bypassed, cur_mode, out = False, 0, []
    for i, x in enumerate(xs):
        if i % BLOCK == 0:
            b = i // BLOCK
            if b in clear:
                mem, mem2 = [0.0] * 4, [0.0] * 4
            bypassed = dict(bypass).get(b, bypassed)
            cur_mode = modes.get(b, cur_mode)
        p = params[i] if isinstance(params, list) else params
        kind, k, passing = coefficients(name, p, cur_mode, nyq)
        if kind == "2":
            att, dec, scale = k
            ya = step(att, mem, x) if att else 0.0
            yd = step(dec, mem2, x) if dec else x
            if not att:
                mem[:] = [x, mem[0], ya, mem[2]]
            if not dec:
                mem2[:] = [x, mem2[0], yd, mem2[2]]
            y = (yd - ya) * scale
        else:
            y = step((kind, k), mem, x)
        out.append(x if bypassed or passing else narrow(y))
        if i % BLOCK == BLOCK - 1:  # what cannot leave the recursion by itself is dropped
            for m in (mem, mem2):
                m[:] = [v if math.isfinite(v) else 0.0 for v in m]
    return out


def render(text, blocks=4, source="noise~", sends=(), sr=44100, param_sources=()):
    """Input samples, output samples and parameter signals of `text` run on `source`."""
    xs, (ys,), values = render_box(text, source, blocks, sends, param_sources, sr=sr)
    return xs, ys, values


CASES = [
    # box, parameters as the filter reads them, mode
    ("lowpass~ 1000 0.7", (1000, f32(0.7)), 0),
    ("highpass~ 500 3", (500, 3), 0),
    ("bandpass~ 2000 5", (2000, 5), 0),
    ("allpass.2nd~ 3000 0.5", (3000, 0.5), 0),
    ("eq~ 1000 2 6", (1000, 2, 6), 0),
    ("lowshelf~ 300 0.5 -6", (300, 0.5, -6), 0),
    ("highshelf~ 4000 1 9.5", (4000, 1, 9.5), 0),
    ("resonant~ 440 200", (440, 200), 0),
    ("resonant~ 440 30 -q", (440, 30), 1),
    ("resonant~ -q 440 30", (440, 30), 1),
    ("resonant2~ 440 10 300", (440, 10, 300), 0),
    # bandwidth mode, with the flag before, between and after the numbers
    ("lowpass~ -bw 1000 2", (1000, 2), 1),
    ("highpass~ 1000 -bw 1", (1000, 1), 1),
    ("bandpass~ 1000 0.5 -bw", (1000, 0.5), 1),
    ("eq~ 15000 3 -12 -bw", (15000, 3, -12), 1),
    ("allpass.2nd~ -bw 100 0", (100, 0), 1),
    ("bandpass~ 1000 1e+06 -bw", (1000, 1e6), 1),  # sinh overflows: Q 0 passes the input
    # clamps: frequency 0, negative, at and above Nyquist; Q 0 and negative; slope above 1
    ("lowpass~ 0 0", (0, 0), 0),
    ("highpass~ -100 -2", (-100, -2), 0),
    ("allpass.2nd~ 22050 1", (22050, 1), 0),
    ("eq~ -5 0 3", (-5, 0, 3), 0),
    ("lowshelf~ 30000 7 12", (30000, 7, 12), 0),
    ("highshelf~ 0 0 -3", (0, 0, -3), 0),
    ("bandpass~ 1000 0", (1000, 0), 0),
    ("bandpass~ 1000 -1", (1000, -1), 0),
    ("resonant~ 440", (440, 0), 0),
    ("resonant~ -440 100", (-440, 100), 0),
    ("resonant~ 30000 0.5 -q", (30000, 0.5), 1),
    ("resonant2~ 440", (440, 0, 0), 0),
    ("resonant2~ 440 0 300", (440, 0, 300), 0),
    ("resonant2~ 440 50 -1", (440, 50, -1), 0),
    ("resonant2~ 40000 3 80", (40000, 3, 80), 0),
]


@pytest.mark.platforms
@pytest.mark.parametrize("text,params,mode", CASES)
def test_output_follows_the_formulas(text, params, mode):
    xs, ys, _ = render(text)
    assert len(ys) == 4 * BLOCK
    assert same(ys, model(text.split()[0], xs, params, mode))


NAN = ["sig~ 1e+39", "*~ 0"]


@pytest.mark.parametrize("text,params", [
    ("bandpass~ 1000 0", ()), ("resonant~ 440", ()), ("resonant~ 440 -1 -q", ()),
    ("resonant2~ 440", ()), ("lowshelf~ 500 1 0", ()), ("highshelf~ 500 0.3", ()),
    # a NaN Q or time counts as none
    ("bandpass~ 1000 2", [(2, NAN)]),
    ("resonant~ 440 100", [(2, NAN)]), ("resonant~ 440 30 -q", [(2, NAN)])])
def test_no_q_or_no_gain_leaves_the_signal_as_it_is(text, params):
    xs, ys, _ = render(text, source="osc~ 300", param_sources=params)
    if "shelf" in text:  # b = a: flat up to double rounding
        assert max(abs(x - y) for x, y in zip(xs, ys)) < 1e-6
    else:
        assert ys == xs


@pytest.mark.platforms
def test_step_response_settles_at_the_gain_of_each_shape():
    for text, level in [("lowpass~ 1000", 1), ("highpass~ 1000", 0), ("bandpass~ 1000 2", 0),
                        ("eq~ 1000 1 6", 1), ("lowshelf~ 1000 1 -6", 10 ** (-6 / 20)),
                        ("highshelf~ 1000 1 -6", 1), ("allpass.2nd~ 1000", 1)]:
        xs, ys, _ = render(text, blocks=40, source="sig~ 1")
        assert same(ys, model(text.split()[0], xs, tuple(float(v) for v in
                                                          (text.split()[1:] + ["1", "0"])[:3])))
        assert abs(ys[-1] - level) < 1e-4, text


SWEEP = ["osc~ 5", "*~ 4000", "+~ 5000"]


@pytest.mark.parametrize("text,swept", [
    ("lowpass~", {1: SWEEP, 2: ["osc~ 700", "*~ 2", "+~ 2.5"]}),
    ("highshelf~ 1000 0.5 6", {2: ["osc~ 300", "*~ 0.6", "+~ 0.5"]}),
    ("lowshelf~ 1000 0.5 6", {1: SWEEP, 3: ["osc~ 40", "*~ 12"]}),
    ("resonant2~ 800 5 100", {2: ["osc~ 100", "*~ 20"], 3: ["osc~ 30", "*~ 30", "+~ 40"]}),
])
def test_parameters_act_on_the_very_next_sample(text, swept):
    # Parameters moved at signal rate: new coefficients every sample.
    name, args = text.split()[0], [float(a) for a in text.split()[1:]]
    xs, ys, values = render(text, blocks=6, param_sources=list(swept.items()))
    columns = {k: v for k, v in zip(swept, values)}
    n = 3 if name in ("lowpass~",) else 4
    params = [tuple(columns[k][i] if k in columns else args[k - 1] for k in range(1, n))
              for i in range(len(xs))]
    # new values nearly every sample (hosts' osc~ tables differ in how often they repeat)
    assert all(len(set(v)) > 250 for v in values)
    assert same(ys, model(name, xs, params))


def test_gain_held_for_a_few_samples_then_changed_mid_block():
    p = Patch()
    # A phasor trigger makes the held value change every ~15 samples.
    src, noise, hold, trig = p.obj("noise~"), p.obj("noise~"), p.obj("samphold~"), \
        p.obj("phasor~ 3000")
    gain = p.obj("*~ 24")
    flt = p.obj("eq~ 2000 1")
    for a, b, inlet in [(noise, hold, 0), (trig, hold, 1), (hold, gain, 0), (src, flt, 0),
                        (gain, flt, 3)]:
        p.connect(a, 0, b, inlet)
    for b in (src, gain, flt):
        p.probe_signal(b)
    r = p.run(blocks=4)
    g = r.samples(gain)
    assert 8 < len(set(g)) < 40
    assert same(r.samples(flt), model("eq~", r.samples(src), [(2000, 1, v) for v in g]))


def test_float_messages_mode_messages_bypass_and_clear_between_blocks():
    sends = [("bw", 0, 1), ("q", 0, 2), ("bypass 1", 0, 3), ("bypass", 0, 5),
             ("clear", 0, 6), ("2500", 1, 7), ("bypass 7", 0, 7)]
    xs, ys, _ = render("bandpass~ 600 1.5", blocks=9, sends=sends)
    params = [(600, 1.5)] * (7 * BLOCK) + [(2500, 1.5)] * (2 * BLOCK)
    expected = model("bandpass~", xs, params, mode={1: 1, 2: 0},
                     bypass={3: True, 5: False, 7: True}, clear={6})
    assert same(ys, expected)
    assert ys[3 * BLOCK:5 * BLOCK] == xs[3 * BLOCK:5 * BLOCK]  # bypass is the input bit for bit


def test_resonant_modes_and_resonant2_decay_section_alone():
    sends = [("q", 0, 1), ("t60", 0, 2)]
    xs, ys, _ = render("resonant~ 660 150", blocks=3, sends=sends)
    assert same(ys, model("resonant~", xs, (660, 150), mode={0: 0, 1: 1, 2: 0}))
    _, alone, _ = render("resonant~ 660 150", blocks=3, source="osc~ 600")
    _, pair, _ = render("resonant2~ 660 0 150", blocks=3, source="osc~ 600")
    assert alone == pair


def test_creation_gain_of_lowshelf_is_truncated_but_later_gains_are_not():
    xs, ys, _ = render("lowshelf~ 800 1 -4.5", sends=[("-4.5", 3, 2)])
    assert same(ys, model("lowshelf~", xs, [(800, 1, -4)] * 128 + [(800, 1, -4.5)] * 128))
    xs, ys, _ = render("highshelf~ 800 1 -4.5")
    assert same(ys, model("highshelf~", xs, (800, 1, -4.5)))


def test_nyquist_follows_the_sample_rate():
    xs, ys, _ = render("lowpass~ 23000 2", sr=48000)
    assert same(ys, model("lowpass~", xs, (23000, 2), nyq=24000.0))


ERRORS = {"lowpass~": "lowpass~", "highpass~": "highpass~", "bandpass~": "[bandpass~]",
          "allpass.2nd~": "allpass.2nd~", "eq~": "eq~", "lowshelf~": "lowshelf~",
          "highshelf~": "highshelf~", "resonant~": "resonant~", "resonant2~": "resonant2~"}


def test_improper_arguments_leave_the_box_uncreated():
    p = Patch()
    bad = []
    for name in ERRORS:
        bad.append(f"{name} 1000 foo")
        bad.append(f"{name} 1000 -bw 1" if name.startswith("res") or "shelf" in name
                   else f"{name} 1000 -q")
    for text in bad:
        p.obj(text)
    good = p.obj("lowpass~ 1000 2 3 4 5")  # floats past the last position are ignored
    p.send(good, "0.5")  # the main inlet takes signals only
    r = p.run()
    assert len(r.failed_to_create()) == len(bad)
    for name, shown in ERRORS.items():
        assert r.errors.count(f"{shown}: improper args") == 2
    assert len(r.errors) == len(bad) + 1


def test_overflow_and_infinite_input_do_not_stick_in_the_memory():
    # A gain of 1e5 dB overflows the coefficients; afterwards the filter carries on.
    for name in ("eq~", "highshelf~"):
        xs, ys, _ = render(name + " 1000 1 6", sends=[("100000", 3, 1), ("6", 3, 2)])
        assert not math.isfinite(ys[BLOCK + 5])
        assert same(ys, model(name, xs, [(1000, 1, 6)] * 64 + [(1000, 1, 1e5)] * 64
                              + [(1000, 1, 6)] * 128))
        assert all(math.isfinite(y) for y in ys[2 * BLOCK:])
    p = Patch()
    s, flt = p.obj("sig~ 0.5"), p.obj("resonant2~ 500 5 50")
    p.connect(s, 0, flt, 0)
    p.probe_signal(flt)
    p.send(s, "1e39", at_block=1)  # overflows to infinity
    p.send(s, "0.5", at_block=2)
    ys = p.run(blocks=4).samples(flt)
    assert not all(math.isfinite(y) for y in ys[BLOCK:2 * BLOCK])
    assert all(math.isfinite(y) for y in ys[2 * BLOCK:]) and ys[-1] != 0


def test_resonant2_with_equal_times_stays_finite():
    xs, ys, _ = render("resonant2~ 440 100 100", blocks=2, sends=[("30", 2, 1)])
    assert ys[:BLOCK] == [0.0] * BLOCK  # two identical sections cancel
    assert same(ys, model("resonant2~", xs, [(440, 100, 100)] * 64 + [(440, 30, 100)] * 64))
    assert all(math.isfinite(y) for y in ys)
