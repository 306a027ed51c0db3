"""Waveshaping and mixing: drive~, xfade~, xgate2~, pan4~, cmul~, add~, in pd.

Inputs come from boxes that feed nothing else, so the host hands their
memory on to the outputs: every case also checks that all inputs of a sample
are read before its outputs are written."""
import math
import random

import pytest
from vpd import Patch, f32
from math_model import (INF, NAN, bend, cmul, crossfade, feed, pan4, same, saturate, unit,
                        xgate)


def values(seed, n=64, lo=-2.0, hi=2.0):
    rng = random.Random(seed)
    return [f32(rng.uniform(lo, hi)) for _ in range(n)]


def keep(p, src, box):
    """A second reader of `src` that runs after `box`: the host can then not
    hand the memory of `src` on to the outputs of `box`."""
    keeper = p.obj("*~")
    p.connect(box, 0, keeper)
    p.connect(src, 0, keeper, 1)


def run_box(box, inputs, outlets, messages=(), kept=()):
    """Feeds input lists (or None: leave the inlet) to the inlets, returns
    the first block of each outlet. The inputs numbered in `kept` are kept
    from being handed on as output memory."""
    p = Patch()
    b = p.obj(box)
    for k, v in enumerate(inputs):
        if v is not None:
            src = feed(p, v, f"in{k}")
            p.connect(src, 0, b, k)
            if k in kept:
                keep(p, src, b)
    for inlet, text in messages:
        p.send(b, text, inlet=inlet)
    for o in range(outlets):
        p.probe_signal(b, o)
    r = p.run(blocks=1)
    assert r.errors == [] and r.failed_to_create() == []
    return [r.samples(b, o)[:64] for o in range(outlets)]


def assert_same(got, want):
    bad = [(i, g, w) for i, (g, w) in enumerate(zip(got, want)) if not same(g, w)]
    assert len(got) == len(want) and bad == []


SHAPE_IN = [0.8, 0.5, -0.5, 1.2, -1.2, 1.0, -1.0, 0.0, -0.3, 0.99, INF, -INF, NAN, 0.25]


@pytest.mark.platforms
@pytest.mark.parametrize("box,mode_message,shape", [
    ("drive~", None, saturate),
    ("drive~ -mode 1", None, bend),
    ("drive~ -mode 0", "mode 1", bend),
    ("drive~ -mode 1", "mode", saturate),
])
@pytest.mark.parametrize("drive", [0.5, 2.0, 1.0, -1.0, 7.0])
def test_drive_modes_match_the_model(box, mode_message, shape, drive):
    messages = [(1, repr(drive))] + ([(0, mode_message)] if mode_message else [])
    got = run_box(box, [SHAPE_IN], 1, messages)[0]
    assert_same(got[:len(SHAPE_IN)], [shape(f32(x), drive) for x in SHAPE_IN])


def test_drive_examples_and_a_signal_drive():
    got = run_box("drive~ -mode 1", [[0.8, 0.5, -0.5, 1.2], [0.5, 2, 2, 2]], 1)[0]
    assert got[:4] == [f32(0.4), 0.75, -0.75, 1.0]


@pytest.mark.parametrize("box,created", [
    ("drive~ 2 -mode 1", True), ("drive~ -mode 1 3 4", True), ("drive~ foo", False),
    ("drive~ -mode", False), ("drive~ -mode foo", False),
    ("xgate2~ 3 foo", False), ("pan4~ 5 -5", True), ("xfade~ foo bar", True),
])
def test_creation_arguments(box, created):
    p = Patch()
    p.obj(box)
    r = p.run()
    assert (r.failed_to_create() == []) == created
    if not created:
        assert r.errors == [box.split()[0] + ": improper args" if box.startswith("drive")
                            else "[xgate2~]: improper args"]


MIX = [-1, 0, 1, 0.5, -0.5, -2, 2, NAN, 0.999, -0.999] * 6 + [1, 1, 0, -1]


@pytest.mark.platforms
@pytest.mark.parametrize("kept", [(), (4,)])
def test_xfade_follows_the_mix_on_every_channel(kept):
    # The host hands out the memory of freed inputs last first: with the mix
    # kept, the first output is given the memory of B2, which the second
    # output still has to read for the same sample.
    a1, a2, b1, b2 = (values(k) for k in range(4))
    a1[2] = INF  # at a mix of exactly 1 nothing of A leaks through
    out = run_box("xfade~ 2", [a1, a2, b1, b2, MIX], 2, kept=kept)
    for o, (a, b) in enumerate([(a1, b1), (a2, b2)]):
        assert_same(out[o], [crossfade(x, y, f32(m)) for x, y, m in zip(a, b, MIX)])
    assert out[0][:3] == [a1[0], f32((a1[1] + b1[1]) * math.cos(math.pi / 4)), b1[2]]


@pytest.mark.parametrize("box,inlets,outlets", [
    ("xfade~", 3, 1), ("xfade~ 0", 3, 1), ("xfade~ 3.9 0.5", 7, 3), ("xfade~ 100", 129, 64),
    ("xfade~ foo 3", 3, 1), ("xgate2~", 2, 2), ("xgate2~ 0", 2, 2), ("xgate2~ 1000", 2, 500),
])
def test_channel_and_outlet_counts(box, inlets, outlets):
    p = Patch()
    s = p.obj("sig~")
    b = p.obj(box)
    p.connect(s, 0, b, inlets - 1)
    p.connect(s, 0, b, inlets)
    p.connect(b, outlets - 1, s)
    p.connect(b, outlets, s)
    failed = [l for l in p.run().console if "connection failed" in l]
    assert len(failed) == 2 and f"{inlets} (sig~->" in failed[0] and f" {outlets} 0 0 " in failed[1]


POSITIONS = [1.5, 7, -1, 0, 2.25, 3, NAN, 0.5, 2.999, 1] * 6 + [0, 1, 2, 3]


@pytest.mark.parametrize("box,messages,index_mode,count", [
    ("xgate2~ 4", [], True, 4),
    ("xgate2~ 4 0", [], False, 4),
    ("xgate2~ 4", [(0, "index 0")], False, 4),
    ("xgate2~ 0", [], False, 2),
    ("xgate2~ 3 0", [(0, "index 1")], True, 3),
])
def test_xgate_routes_with_equal_power_fades(box, messages, index_mode, count):
    x = values(9)
    pos = [p / 3 if not index_mode and p == p else p for p in POSITIONS]
    out = run_box(box, [pos, x], count, messages)
    want = [xgate(v, f32(p), count, index_mode) for v, p in zip(x, pos)]
    for o in range(count):
        assert_same(out[o], [w[o] for w in want])
    if box == "xgate2~ 4":  # position 1.5: outlets 2 and 3 at cos and sin of pi/4
        assert out[1][0] == f32(x[0] * math.cos(math.pi / 4)) and out[0][0] == out[3][0] == 0


CORNERS = [(1, 1), (-1, -1), (-1, 1), (1, -1), (0, 0), (2, -3), (0.5, NAN), (NAN, 0.5),
           (0.3, -0.7), (-0.2, 1.0), (1.0, 0.999), (-5, 5)]


@pytest.mark.platforms
def test_pan4_corners_and_between():
    xs = [c[0] for c in CORNERS] * 5
    ys = [c[1] for c in CORNERS] * 5
    s = values(3, len(xs))
    out = run_box("pan4~", [s, xs, ys], 4)
    want = [pan4(v, f32(x), f32(y)) for v, x, y in zip(s, xs, ys)]
    for o in range(4):
        assert_same(out[o][:len(xs)], [w[o] for w in want])
    assert [out[o][0] for o in range(4)] == [0, 0, s[0], 0]  # (1, 1): outlet 3 alone


def test_pan4_arguments_are_limited_and_a_still_position_holds():
    out = run_box("pan4~ 5 -5", [[1.0] * 64], 4)
    assert [o[0] for o in out] == [0, 0, 0, 1.0] and all(len(set(o)) == 1 for o in out)


@pytest.mark.parametrize("shared", [False, True])
def test_cmul_with_and_without_shared_memory(shared):
    ar, ai, br, bi = (values(20 + k, lo=-1e3, hi=1e3) for k in range(4))
    p = Patch()
    c = p.obj("cmul~")
    for k, v in enumerate([ar, ai, br, bi]):
        src = feed(p, v, f"in{k}")
        p.connect(src, 0, c, k)
        if not shared:
            keep(p, src, c)
    p.probe_signal(c, 0)
    p.probe_signal(c, 1)
    r = p.run(blocks=1)
    want = [cmul(*z) for z in zip(ar, ai, br, bi)]
    assert r.samples(c, 0)[:64] == [w[0] for w in want]
    assert r.samples(c, 1)[:64] == [w[1] for w in want]


def test_add_sums_and_restarts_on_a_trigger_of_exactly_1():
    trig = [0.0] * 64
    trig[10], trig[20], trig[21], trig[30] = 1, 1, 1, 0.999
    p = Patch()
    a = p.obj("add~ 5")
    p.send(a, "1")
    p.connect(feed(p, trig), 0, a, 1)
    p.probe_signal(a)
    s = p.run(blocks=2).samples(a)
    want, total = [], 5.0
    for i in range(128):
        total = 5 + 1 if trig[i % 64] == 1 else total + 1
        want.append(total)
    assert s == want


def test_add_set_and_bang():
    p = Patch()
    a = p.obj("add~")
    p.send(a, "2")
    p.send(a, "set 100", at_block=1)  # the start value only
    p.send(a, "bang", at_block=2)     # the sum restarts at once
    p.probe_signal(a)
    s = p.run(blocks=3).samples(a)
    assert s[:64] == [2.0 * (i + 1) for i in range(64)]
    assert s[64] == 130 and s[128] == 102 and s[-1] == 100 + 2 * 64
