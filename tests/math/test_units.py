"""Unit conversion and rounding, signal and message classes alike, against
the model in pd."""
import math

import pytest
from vpd import Patch, f32
from math_model import INF, NAN, conversions, feed, power, same

# Halves, negatives, signed zeros, the edge of "already whole", and what
# must pass unchanged: infinities, NaN, huge values.
VALUES = [f32(v) for v in [2.5, 3.5, -2.5, -0.5, 0.5, -1.7, 1.7, -0.4, 0.0, -0.0, 1.2, 3.7, 0.49999997,
          -0.49999997, 8388607.5, -8388607.5, 8388608.0, -8388609.0, 1e30, -1e30, INF, -INF,
          NAN, 2.0, 1.0, 1200.0, -1200.0, 440.0, 0.0625, 1e-30, 100.0, -3.3]]
SR = 48000
SIGNAL = ["rint~", "floor~", "ceil~", "trunc~", "hz2rad~", "rad2hz~", "ratio2cents~"]
MESSAGE = ["rint", "floor", "ceil", "trunc", "hz2rad", "rad2hz", "ratio2cents", "cents2ratio"]


def assert_same(got, want, values):
    bad = [(v, g, w) for v, g, w in zip(values, got, want) if not same(g, w)]
    assert len(got) == len(want) and bad == []


@pytest.mark.platforms
@pytest.mark.parametrize("name", SIGNAL)
def test_signal_class_matches_the_model(name):
    f = conversions(SR)[name[:-1]]
    p = Patch(sr=SR)
    box = p.obj(name)
    p.connect(feed(p, VALUES), 0, box)
    p.probe_signal(box)
    r = p.run(blocks=2)
    assert r.errors == []
    assert_same(r.samples(box)[64:64 + len(VALUES)], [f(v) for v in VALUES], VALUES)


@pytest.mark.parametrize("name", MESSAGE)
def test_message_class_matches_the_model_for_floats_and_lists(name):
    f = conversions(SR)[name]
    typed = [v for v in VALUES if v == v]
    p = Patch(sr=SR)
    box = p.obj(name)
    p.probe(box)
    for v in typed:
        p.send(box, "1e39" if v == INF else "-1e39" if v == -INF else repr(v))
    p.send(box, "list " + " ".join(repr(v) for v in VALUES[:4]) + " foo 3.7")  # floor: ... 0 3
    nan = p.obj("- 1e39")  # inf - inf
    p.connect(nan, 0, box)
    p.send(nan, "1e39")
    r = p.run()
    assert r.errors == []
    got = r.messages(box)
    assert_same([a[0] for _, a in got[:len(typed)]], [f(v) for v in typed], typed)
    sel, atoms = got[len(typed)]
    listed = VALUES[:4] + [0.0, 3.7]
    assert sel == "list"
    assert_same(atoms, [f(f32(v)) for v in listed], listed)
    assert math.isnan(got[-1][1][0]) and len(got) == len(typed) + 2


# box, messages to inlet 0 (or (inlet, text)), floats expected out.
STORED = [
    ("floor", ["set 2.5", "bang", "-0.5", "bang", "list 7.5", "bang"], [2, -1, -1, 7, -1]),
    ("ceil", ["set -0.5", "bang"], [0]),
    ("rint 2.5", ["bang", (1, "3.5"), "bang", "list 0.5", "bang"], [2, 4, 0, 4]),
    ("hz2rad 4800", ["bang", "set 0", "bang"], [f32(4800 * f32(6.283185307179586 / 44100)), 0]),
    ("rad2hz", ["bang"], [0]),
    ("cents2ratio 1200", ["bang", "set -1200", "bang"], [2, 0.5]),
    ("ratio2cents 2", ["bang", "1", "bang", "0"], [1200, 0, 0, -INF]),
]


@pytest.mark.parametrize("box,messages,want", STORED)
def test_stored_value_set_and_bang(box, messages, want):
    p = Patch()
    b = p.obj(box)
    p.probe(b)
    for m in messages:
        inlet, text = m if isinstance(m, tuple) else (0, m)
        p.send(b, text, inlet=inlet)
    r = p.run()
    assert r.errors == []
    got = [f32(a[0]) for _, a in r.messages(b)]
    assert got == [float(w) for w in want]


def test_a_list_sent_back_into_its_object_leaves_the_outer_list_whole():
    # [t l l]: the right copy goes back into [floor] as a longer list, which
    # must not overwrite the atoms the left copy is still to send.
    p = Patch()
    fl = p.obj("floor")
    t = p.obj("t l l")
    once = p.obj("spigot 1")
    then = p.obj("t l b")
    off = p.msg("0")
    grow = p.obj("list prepend 9.5")
    p.connect(fl, 0, t)
    p.connect(t, 1, once)
    p.connect(once, 0, then)
    p.connect(then, 1, off)
    p.connect(off, 0, once, 1)
    p.connect(then, 0, grow)
    p.connect(grow, 0, fl)
    p.probe(t, 0)
    p.send(fl, "list 1.5 2.5")
    r = p.run()
    assert r.errors == []
    assert r.messages(t, 0) == [("list", [9.0, 1.0, 2.0]), ("list", [1.0, 2.0])]


@pytest.mark.parametrize("box,base,exponent,want", [
    ("power~ 0.33333334", -8, None, -2.0),
    ("power~", 0, 0, 1.0),
    ("power~", -3, None, -3.0),         # default exponent 1
    ("power~ foo 2", -3, None, -9.0),   # the first float of the arguments
    ("power~ 0.5", 2, None, f32(math.sqrt(2))),
    ("power~", 0, -1, INF),
    ("power~", -1e30, 3, -INF),
])
def test_power_keeps_the_sign_of_the_base(box, base, exponent, want):
    p = Patch()
    b = p.obj(box)
    p.connect(feed(p, [base] * 64), 0, b)
    if exponent is not None:
        p.send(b, str(exponent), inlet=1)
    p.probe_signal(b)
    got = p.run(blocks=2).samples(b)[64:]
    e = exponent if exponent is not None else float(box.split()[-1]) if " " in box else 1.0
    assert same(got[0], want) and same(want, power(f32(base), f32(e))) and len(set(got)) == 1


def test_power_takes_a_signal_exponent_per_sample():
    p = Patch()
    b = p.obj("power~")
    p.connect(feed(p, [-2.0] * 4, "base"), 0, b)
    p.connect(feed(p, [0, 1, 2, 3], "exp"), 0, b, 1)
    p.probe_signal(b)
    assert p.run(blocks=1).samples(b)[:4] == [-1.0, -2.0, -4.0, -8.0]  # the sign stays, even at e = 0


def test_hz2rad_then_rad2hz_gives_the_input_back():
    freqs = [1.0, 440.0, 1000.0, 12345.6, 20000.0]
    p = Patch(sr=SR)
    h, back = p.obj("hz2rad~"), p.obj("rad2hz~")
    p.connect(feed(p, freqs), 0, h)
    p.connect(h, 0, back)
    p.probe_signal(back)
    m, mb = p.obj("hz2rad"), p.obj("rad2hz")
    p.connect(m, 0, mb)
    p.probe(mb)
    p.send(m, "list " + " ".join(map(str, freqs)))
    r = p.run(blocks=1)
    assert r.samples(back)[:5] == pytest.approx(freqs, rel=3e-7)
    assert r.messages(mb)[0][1] == pytest.approx(freqs, rel=3e-7)
