"""The decay and smoothing classes in pd, sample by sample against models in
each class's precision: double for the decays and lags, single for the glides
and slews."""
import math

import pytest
from single import F, narrow, powf, render, same
from vpd import BLOCK, Patch, f32

LN_1000, E = 6.907755278982137, 2.718281828459045
SPMS = f32(44100 * 0.001)
SECONDS_PER_SAMPLE = f32(1 / 44100)


def factor(t):
    return math.exp(-LN_1000 / (t * SPMS))


def events_at(events, i):
    """The messages due before sample i: those of its block, at its first sample."""
    return events.get(i // BLOCK, []) if i % BLOCK == 0 else []


def decay2(xs, p, events):
    """Also decay~, as an attack time of 0."""
    ya = yd = w = 0.0
    value, out = 1.0, []
    for i, x in enumerate(xs):
        pending = False
        for m in events_at(events, i):
            ya, yd, w = (0.0, 0.0, 0.0) if m == "clear" else (ya, yd, w)
            value = float(m) if m not in ("clear", "bang") else value
            pending = pending or m != "clear"
        v, (ta, td) = value if pending else x, (p[0][i], p[1][i])
        attack = 0.0
        if ta > 0:
            ya = attack = v + factor(ta) * ya
        y = v - attack
        if td > 0:
            a = factor(td)
            w, yd = a * (w + yd), v + a * yd
            y = yd
            if ta > 0 and ta == td:
                y = w * (LN_1000 / (td * SPMS) * E)
            elif ta > 0:
                ka, kd = 1000 * LN_1000 / ta, 1000 * LN_1000 / td
                peak = math.log(ka / kd) / (ka - kd)
                y = (yd - ya) * abs(1 / (math.exp(-kd * peak) - math.exp(-ka * peak)))
        out.append(narrow(y))
        if i % BLOCK == BLOCK - 1:
            ya, yd, w = [s if math.isfinite(s) else 0.0 for s in (ya, yd, w)]
    return out


def lag2(xs, p, events):
    """Also lag~, with equal rise and fall times."""
    y, out = 0.0, []
    for i, x in enumerate(xs):
        t = p[0][i] if x >= y else p[1][i]
        if "reset" in events_at(events, i) or not t > 0 or factor(t) == 0:
            y = x
        else:
            y = x + (y - x) * factor(t)
        out.append(narrow(y))
        y = y if i % BLOCK < BLOCK - 1 or math.isfinite(y) else 0.0
    return out


def steps(ms):
    x = F(ms) * SPMS
    return 0 if x != x else int(x + F(0.49999997)) if x >= 0 else int(x - F(0.49999997))


def glide(xs, p, events, two):
    """glide~, or with `two` glide2~: single precision."""
    def at(k, length):  # the curve at k / length, mirrored as the direction and exponent say
        f = F(max(k, 0) / length)
        if e in (1, -1):
            c = f
        elif (e >= 0) == (delta > 0):
            c = F(powf(f, abs(e)))
        else:
            c = 1 - F(powf(1 - f, abs(e)))
        return start + delta * c

    last_in = last_out = start = delta = F(0)
    e, rem, reset, out = F(1), {True: 0, False: 0}, False, []
    for i, x in enumerate(map(F, xs)):
        for m in events_at(events, i):
            reset, e = (True, e) if m == "reset" else (reset, F(float(m.split()[1])))
        n = {d: steps(t) if t > 0 else 0 for d, t in ((True, p[0][i]), (False, p[-1][i]))}
        up = (x - last_out > 0) if x != last_in else delta > 0
        if not two and n[True] <= 0:
            y = x
        elif reset:
            reset, rem[True], rem[False], y = False, 0, 0, x
        elif x != last_in:
            start, delta, rem[up] = last_out, x - last_out, n[up]
            y = at(1, n[up] + 1)
        elif rem[up] > 0:
            rem[up] -= 1
            y = at(n[up] + 1 - rem[up], n[up] + 1)
        else:
            y = x
        last_out, last_in = y, x
        out.append(y)
    return out


def slew2(xs, p, events):
    """Also slew~, with equal limits."""
    y, out = F(0), []
    for i, x in enumerate(map(F, xs)):
        for m in events_at(events, i):
            y = F(float((m.split() + [0])[1]))
        up, down = F(p[0][i]) * SECONDS_PER_SAMPLE, F(p[-1][i]) * SECONDS_PER_SAMPLE
        d = x - y
        if d > 0:
            y = y + up if up >= 0 and d > up else x
        else:
            y = y - down if down >= 0 and d < -down else x
        out.append(y)
    return out


MODELS = {
    "decay~": lambda xs, p, ev: decay2(xs, [[0] * len(xs)] + p, ev), "decay2~": decay2,
    "lag~": lambda xs, p, ev: lag2(xs, p * 2, ev), "lag2~": lag2,
    "glide~": lambda xs, p, ev: glide(xs, p, ev, False),
    "glide2~": lambda xs, p, ev: glide(xs, p, ev, True),
    "slew~": slew2, "slew2~": slew2,
}

STEPS = ["sig~ 0", [("1", 1), ("0.25", 2), ("-2", 5), ("-2", 6), ("3", 8)]]  # source, its floats

CASES = [
    # box, parameters as the object reads them, source, messages (block: [...]),
    # parameter signals (inlet, chain)
    ("decay~ 100", [100], "noise~", {}),
    ("decay~ 3", [3], "sig~ 0", {0: ["bang"], 2: ["0.5"], 3: ["bang", "clear"], 5: ["bang"]}),
    ("decay~ 0", [0], "noise~", {1: ["bang"]}),
    ("decay~ -1 7 8", [-1], "noise~", {}),
    ("decay2~ 10 100", [10, 100], "noise~", {}),
    ("decay2~ 1 5", [1, 5], "sig~ 0", {0: ["bang"], 3: ["-2"], 5: ["clear"]}),
    ("decay2~ 0 100", [0, 100], "noise~", {}),
    ("decay2~ 10 0", [10, 0], "noise~", {}),
    ("decay2~ 0 0", [0, 0], "noise~", {}),
    ("decay2~ 20", [20, 20], "sig~ 0", {0: ["bang"], 4: ["bang"]}),
    ("lag~ 10", [10], "noise~", {2: ["reset"]}),
    ("lag~", [0], "noise~", {}),
    ("lag~ -5", [-5], "noise~", {}),
    ("lag2~ 5 50", [5, 50], "noise~", {3: ["reset"]}),
    ("lag2~ 0 30", [0, 30], "osc~ 200", {}),
    ("lag2~ 1e-06 1e+38", [1e-6, 1e38], "osc~ 200", {}),  # a factor of 0, and of 1
    ("glide~ 1", [1], "noise~", {}),
    ("glide~ 2", [2], STEPS, {4: ["reset"]}),
    ("glide~ 9 8 3 -exp 2", [3], STEPS, {}),
    ("glide~ 3 -exp -3", [3], STEPS, {6: ["exp 0.5"]}),
    ("glide~ 0", [0], STEPS, {}),
    ("glide2~ 2 5", [2, 5], STEPS, {7: ["reset"]}),
    ("glide2~ 0 -1 -exp 3", [0, -1], STEPS, {}),
    ("glide2~ 1 2 9", [1, 2], "noise~", {}),
    ("slew~ 1000", [1000], "noise~", {1: ["set 5"], 2: ["set"]}),
    ("slew~", [0], "noise~", {}),
    ("slew~ -1", [-1], "noise~", {}),
    ("slew~ 44100", [44100], "osc~ 3000", {}),
    ("slew2~ 2000 500", [2000, 500], "noise~", {2: ["set -3"]}),
    ("slew2~ -1 100", [-1, 100], "noise~", {}),
]


def run_case(text, params, source, events, blocks=10, signals=()):
    source, source_sends = source if isinstance(source, list) else (source, [])
    sends = [(m, 0, b) for b, ms in events.items() for m in ms]
    xs, (ys,), cols = render(text, source=source, blocks=blocks, sends=sends,
                             source_sends=source_sends, params=signals)
    columns = list(cols) + [[v] * len(xs) for v in params[len(cols):]]
    words = text.split()
    if "-exp" in words:  # the creation exponent, for the model as a message before block 0
        events = {**events, 0: ["exp " + words[-1]] + events.get(0, [])}
    return ys, MODELS[words[0]](xs, [[f32(v) for v in c] for c in columns], events), xs


@pytest.mark.parametrize("text,params,source,events", CASES)
def test_output_follows_the_model(text, params, source, events):
    ys, want, _ = run_case(text, params, source, events)
    assert same(ys, want)


@pytest.mark.parametrize("text,signals", [
    ("lag~", [(1, ["osc~ 100", "*~ 20", "+~ 5"])]),
    ("glide~ _", [(1, ["osc~ 300", "*~ 3", "+~ 1"])]),  # glides shortened while they run
    ("lag2~", [(1, ["osc~ 100", "*~ 2", "+~ 1"]), (2, ["osc~ 70", "*~ 30"])]),
    ("decay~", [(1, ["osc~ 100", "*~ 20", "+~ 5"])]),
    ("decay2~", [(1, ["osc~ 30", "*~ 20"]), (2, ["osc~ 50", "*~ 30", "+~ 25"])]),
    ("glide~", [(1, ["osc~ 500", "*~ 3", "+~ 1"])]),
    ("glide2~", [(1, ["osc~ 500", "*~ 3", "+~ 1"]), (2, ["osc~ 300", "*~ 2"])]),
    ("slew2~", [(1, ["osc~ 100", "*~ 3000"]), (2, ["osc~ 130", "*~ 5000"])]),
])
def test_parameters_move_at_signal_rate(text, signals):
    source = STEPS if text.endswith("_") else "noise~"
    ys, want, _ = run_case(text.split()[0], [], source, {}, blocks=10, signals=signals)
    assert same(ys, want)


def test_decay_falls_60_db_over_its_time():
    ys, _, _ = run_case("decay~ 10", [10], "sig~ 0", {0: ["bang"]})
    assert ys[0] == 1 and abs(ys[441] - 0.001) < 1e-9


def test_decay2_with_equal_times_is_the_limit_of_nearby_times():
    ys, _, _ = run_case("decay2~ 10", [10, 10], "sig~ 0", {0: ["bang"]}, blocks=40)
    r = LN_1000 / (10 * SPMS)
    assert max(abs(y - n * r * math.exp(1 - n * r)) for n, y in enumerate(ys)) < 1e-6
    assert abs(max(ys) - 1) < 1e-4
    near, _, _ = run_case("decay2~ 10 10.001", [10, 10.001], "sig~ 0", {0: ["bang"]}, blocks=40)
    assert max(abs(a - b) for a, b in zip(ys, near)) < 1e-3


def test_glide_timing_and_a_new_target_mid_glide():
    ys, _, _ = run_case("glide~ 1", [1], ["sig~ 0", [("1", 1), ("3", 2)]], {}, blocks=4)
    m = steps(1) + 1  # 45 samples at 44.1 kHz
    assert ys[BLOCK:BLOCK + m] == [f32(k / m) for k in range(1, m + 1)]
    assert ys[BLOCK + m:2 * BLOCK] == [1.0] * (BLOCK - m)
    ys, _, _ = run_case("glide~ 5", [5], ["sig~ 0", [("1", 1), ("-1", 2)]], {}, blocks=4)
    # the second glide starts where the first one is, without a jump
    assert abs(ys[2 * BLOCK] - ys[2 * BLOCK - 1]) < 2 / (steps(5) + 1)


def test_slew_at_the_sample_rate_moves_at_most_one_a_sample():
    ys, _, xs = run_case("slew~ 44100", [44100], "noise~", {})
    moves = [abs(b - a) for a, b in zip([0.0] + ys, ys)]
    assert max(moves) < 1 + 1e-6 and ys != xs


@pytest.mark.parametrize("text", ["decay~ 50", "decay2~ 5 50", "decay2~ 20", "lag~ 10",
                                  "lag2~ 3 30", "glide~ 100", "glide2~ 100 100", "slew~ 10"])
def test_an_infinite_input_leaves_no_trace_after_its_block(text):
    xs, (ys,), _ = render(text, source="sig~ 0.5", blocks=4, source_sends=[("1e+39", 1),
                                                                             ("0.5", 2)])
    assert all(math.isfinite(y) for y in ys[2 * BLOCK:])


def test_improper_arguments():
    p = Patch()
    bad = {"decay~ 10 foo": "[decay~]: improper args", "decay2~ -q": "decay2~: improper args",
           "glide~ 10 -lin": "[glide~]: improper args", "glide~ 10 -exp": "[glide~]: improper args",
           "glide~ -exp 2 3": "[glide~]: improper args",
           "glide2~ 1 2 -exp 2 3": "[glide2~]: improper args"}
    for text in bad:
        p.obj(text)
    p.obj("glide~ 10 -exp foo")  # the value is read as a float: 0
    r = p.run()
    assert sorted(r.errors) == sorted(bad.values())
    assert len(r.failed_to_create()) == len(bad)
