"""The chaotic maps in pd, against the reference models."""
import math

import pytest
from vpd import Patch, f32

from chaos_model import MAPS, SR, clock, held, run_map

RATES = [SR, SR / 2, 1000.0]
CLOCKED = ["henon", "ikeda", "gbman", "cusp", "lincong", "logistic", "standard", "quad"]


def outputs(boxes, n=128, sends=(), blocks=2, outlet=0):
    p = Patch()
    objs = [p.obj(b) for b in boxes]
    for o in objs:
        p.probe_signal(o, outlet)
    for i, msg in sends:
        p.send(objs[i], msg)
    r = p.run(blocks=blocks)
    return [r.samples(o, outlet)[:n] for o in objs], r


@pytest.mark.platforms
@pytest.mark.parametrize("name", CLOCKED)
def test_first_iterations_at_three_rates(name):
    got, r = outputs([f"{name}~ {f}" for f in RATES])
    assert got == [run_map(name, f, 128) for f in RATES]
    assert r.errors == []


def test_ikeda_right_outlet_is_y():
    got, _ = outputs([f"ikeda~ {f}" for f in RATES], outlet=1)
    step = MAPS["ikeda"]()[0]
    for f, g in zip(RATES, got):
        state = [(0.0, 0.0)]

        def iterate():
            state[0] = step(state[0])
        assert g == clock([f] * 128, iterate, lambda t: f32(state[0][1]), single=True)


def test_arguments_lists_and_messages():
    got, r = outputs(
        ["henon~ 3000 1.3 0.25 0.5 0.1", "henon~ 3000",
         "cusp~ 3000 0.9 1.7 0.3", "cusp~ 3000",
         "lincong~ 3000 1.3 0.2 2 0.5", "lincong~ 3000",
         "quad~ 3000 -1 0.5 0.25 0.1", "quad~ 3000",
         "standard~ 3000 1.5 1 2", "standard~ 3000",
         "ikeda~ 3000 0.9 0.2 0.3", "ikeda~ 3000",
         "gbman~ 3000 -0.5 1.5", "gbman~ foo 7", "gbman~ 3000 foo 7"],
        sends=[(1, "coeffs 1.3 0.25"), (1, "0.5 0.1"), (3, "0.9 1.7 0.3"),
               (5, "1.3 0.2 2 0.5"), (7, "-1 0.5 0.25 0.1"), (9, "k 1.5"), (9, "1 2"),
               (11, "u 0.9"), (11, "0.2 0.3")])
    want = [run_map("henon", 3000.0, 128, state=(f32(0.5), f32(0.1)), a=f32(1.3), b=0.25),
            run_map("cusp", 3000.0, 128, state=f32(0.3), a=f32(0.9), b=f32(1.7)),
            run_map("lincong", 3000.0, 128, state=0.5, a=f32(1.3), c=f32(0.2), m=2.0),
            run_map("quad", 3000.0, 128, state=f32(0.1), a=-1.0, b=0.5, c=0.25),
            run_map("standard", 3000.0, 128, state=(1.0, 2.0), k=1.5),
            run_map("ikeda", 3000.0, 128, state=(f32(0.2), f32(0.3)), u=f32(0.9)),
            run_map("gbman", 3000.0, 128, state=(-0.5, 1.5))]
    for i, w in enumerate(want):
        assert got[2 * i] == w, i
        if i < 6:
            assert got[2 * i + 1] == w, i
    # A non-float first argument: every value keeps its default.
    assert got[13] == run_map("gbman", SR / 2, 128)
    # After a float first argument, a non-float one keeps just its own default.
    assert got[14] == run_map("gbman", 3000.0, 128, state=(f32(1.2), 7.0))
    assert r.errors == []


def test_list_refusals_and_skips():
    got, r = outputs(
        ["henon~ 22050", "henon~ 22050", "ikeda~ 22050", "standard~ 22050", "gbman~ 22050",
         "cusp~ 22050", "lincong~ 22050", "quad~ 22050"],
        sends=[(0, "1 2 3"), (1, "list a 0.5"), (2, "1 2 3"), (3, "list x 1"),
               (4, "1 2 3"), (5, "list 0.9 z 1.7 0.3 99"), (6, "list w 1.3"),
               (7, "list q -1")], n=64)
    assert got[0] == run_map("henon", SR / 2, 64)
    assert got[1] == run_map("henon", SR / 2, 64, state=(0.5, 0.0))
    assert got[2] == run_map("ikeda", SR / 2, 64)
    assert got[3] == run_map("standard", SR / 2, 64, state=(1.0, 0.0))
    assert got[4] == run_map("gbman", SR / 2, 64)
    assert got[5] == run_map("cusp", SR / 2, 64, state=f32(0.3), a=f32(0.9), b=f32(1.7))
    assert got[6] == run_map("lincong", SR / 2, 64, a=f32(1.3))
    assert got[7] == run_map("quad", SR / 2, 64, a=-1.0)
    assert r.errors[:6] == [
        "henon~: list size needs to be = 2", "henon~: list needs to only contain floats",
        "ikeda~: list size needs to be = 2", "standard~: list needs to only contain floats",
        "gbman~: list size needs to be = 2", "cusp~: list needs to only contain floats"]
    assert r.errors[6:] == ["lincong~: list needs to only contain floats",
                            "quad~: list needs to only contain floats"]


def test_henon_escapes_to_the_origin():
    # From (2, 0): x' = 1 - 1.4 * 4 leaves the square -> origin, output 0; then
    # x' = 1 with output 0 (the new y); then output 1.
    got, _ = outputs(["henon~ 44100"], sends=[(0, "2 0")], n=4)
    assert got[0][:3] == [0.0, 0.0, 1.0]
    # Exactly on the edge: 1 - 0 + 1 * 0.5 ... with a = 0, b = 1, y = 0.5 gives
    # x' = 1.5, which leaves the state as it is.
    got, _ = outputs(["henon~ 44100 0 1 0.25 0.5"], n=3)
    assert got[0] == [0.5, 0.5, 0.5]


@pytest.mark.parametrize("box", ["henon~ 0", "henon~ 44100 0 1"])
def test_henon_output_is_its_y(box):
    # The output is y itself: after a list (the rate-0 map iterates no more),
    # and on iterations that land exactly on 1.5 (a = 0, b = 1: 1 + 0.5).
    p = Patch()
    h = p.obj(box)
    p.probe_signal(h)
    p.send(h, "0.3 0.5", at_block=1)
    assert p.run(blocks=2).samples(h)[64:] == [0.5] * 64


def test_clear_and_documented_first_values():
    p = Patch()
    ik = p.obj("ikeda~ 44100 0.75 0.3 0.4")
    cr = p.obj("crackle~ 0.7")
    lg = p.obj("logistic~")
    for o in (ik, cr, lg):
        p.probe_signal(o)
    p.probe_signal(ik, 1)
    p.send(ik, "clear", at_block=1)
    p.send(cr, "clear", at_block=1)
    r = p.run(blocks=2)
    u = f32(0.75)
    t = f32(0.4 - 6.0)
    assert r.samples(ik)[64] == 1.0
    assert r.samples(ik, 1)[64] == f32(u * (1.0 * math.sin(t) + 0.0))
    c = r.samples(cr)
    assert c[0] == f32(0.05) and c[64] == f32(0.05)
    y0, y1, want = 0.0, 0.0, []
    for _ in range(64):
        y = abs(f32((f32(0.7) + 1.0) * y0 - y1 - f32(0.05)))
        y1, y0 = y0, y
        want.append(y)
    assert c[:64] == want
    # logistic~ without arguments: rate 0, one iteration at the first sample.
    assert r.samples(lg) == [f32(2 * (3.5 * 0.25) - 1)] * 128


def test_rate_zero_freezes_and_negative_rate_runs_at_its_size():
    got, _ = outputs(["quad~ 0", "cusp~ -3000", "standard~ -44100", "henon~ -1e9"])
    assert got[0] == [f32(-0.75)] * 128
    assert got[1] == run_map("cusp", -3000.0, 128)
    assert got[2] == run_map("standard", -SR, 128)
    assert got[3] == run_map("henon", -SR, 128)


def test_lincong_stays_in_range_for_negative_values_and_modulus_zero():
    got, r = outputs(["lincong~ 44100 -1.3 0.1 1 0.5", "lincong~ 44100 -1.3 -0.7 2 0.5",
                      "lincong~ 44100 1 1 0 0.25", "lincong~ 44100 1 -1e-17 1 0"], n=128)
    assert all(0 <= v < 1 for v in got[0]) and len(set(got[0])) > 2
    assert all(-1 <= v < 1 for v in got[1]) and len(set(got[1])) > 2
    assert got[2] == [0.25] * 128  # no remainder to take: holds, no NaN
    assert got[3] == [0.0] * 128  # -1e-17 + 1 rounds to 1: the remainder is 0, not m
    assert got[0][0] == f32(f32(-1.3) * 0.5 + f32(0.1) + 1) and r.errors == []


def test_standard_output_range_and_logistic_parameter():
    p = Patch()
    st = p.obj("standard~ 44100 5")
    lg = p.obj("logistic~ 44100 2")       # p limited to 1: x' = 4x(1 - x)
    lg2 = p.obj("logistic~ 44100")
    sig = p.obj("sig~ -3")               # a signal p, limited to 0
    p.connect(sig, 0, lg2, 1)
    for o in (st, lg, lg2):
        p.probe_signal(o)
    r = p.run(blocks=8)
    assert all(-1 <= v < 1 for v in r.samples(st))
    assert r.samples(lg)[:64] == run_map("logistic", SR, 64, p=1.0)
    assert r.samples(lg2)[:64] == run_map("logistic", SR, 64, p=0.0)


def test_runaway_and_nan_never_stick():
    p = Patch()
    inf = p.obj("sig~ 1e39")
    nan = p.obj("*~ 0")
    p.connect(inf, 0, nan)
    # cusp~ with a = inf, b = 1 steps to an infinity, not to NaN.
    boxes = ["quad~ 44100 1 0 0 2", "henon~ 44100 1e39", "ikeda~ 44100 1e39", "cusp~ 44100 1e39 1",
             "cusp~ 44100 1e39 1e39", "standard~ 44100 1e39", "gbman~ 44100 1e38 -1e38",
             "lincong~ 44100 1e39", "crackle~", "logistic~ 44100", "crackle~ 1"]
    objs = [p.obj(b) for b in boxes]
    for o in objs:
        p.probe_signal(o)
    p.connect(nan, 0, objs[-3])   # NaN chaos parameter
    p.connect(nan, 0, objs[-2], 1)  # NaN logistic parameter
    rated = p.obj("henon~")
    p.connect(nan, 0, rated)        # NaN rate
    p.probe_signal(rated)
    r = p.run(blocks=40)
    for o in objs + [rated]:
        assert all(math.isfinite(v) for v in r.samples(o)), o
    q = r.samples(objs[0])
    # x' = x^2 from 2 runs away and starts over from 2 again.
    assert q[:4] == [4.0, 16.0, 256.0, 65536.0] and q.count(4.0) > 1
    # crackle~ at p = 1 overflows sooner or later and starts over from 0.
    assert r.samples(objs[-1]).count(f32(0.05)) > 1


def test_nan_rate_holds_and_infinite_state_arguments_fall_back():
    p = Patch()
    inf = p.obj("sig~ 1e39")
    nan = p.obj("*~ 0")
    p.connect(inf, 0, nan)
    # A NaN rate is neither positive nor negative: no iteration, even with the
    # phase sitting on the lower boundary.
    held = p.obj("henon~ -1 1.4 0.3 0.5 0.7")
    p.connect(nan, 0, held)
    p.probe_signal(held)
    # An infinite starting state would also be where the map falls back to
    # after blowing up, so it would come out forever.
    boxes = ["lorenz~ 44100 10 2.667 28 0.05 1e39", "fbsine2~ 44100 1 0.1 1.1 0.5 1e39",
             "latoocarfian~ 44100 1 3 0.5 0.5 1e39", "ikeda~ 44100 0.75 1e39",
             "gbman~ 44100 1e39", "cusp~ 44100 1 1.9 1e39", "lincong~ 44100 1 1 0 1e39",
             "quad~ 44100 1 -1 -0.75 1e39", "standard~ 44100 1 1e39",
             "lorenz~ 44100 10 2.667 28 0.4"]
    objs = [p.obj(b) for b in boxes]
    for o in objs:
        p.probe_signal(o)
    r = p.run(blocks=4)
    assert r.samples(held) == [f32(0.7)] * 256
    for o in objs:
        assert all(math.isfinite(v) for v in r.samples(o)), o
    # gbman~ starts from its default state; lincong~ with m = 0 holds it.
    assert r.samples(objs[4])[:8] == run_map("gbman", SR, 8)
    assert r.samples(objs[6]) == [0.0] * 256


def test_rate_moving_within_and_between_blocks():
    p = Patch()
    osc = p.obj("osc~ 300")
    rate = p.obj("*~ 60000")  # swings past +-sr and through 0 within a block
    p.connect(osc, 0, rate)
    moving = p.obj("cusp~")
    p.connect(rate, 0, moving)
    stepped = p.obj("gbman~ 3000")
    for k, f in enumerate(["-5000", "0", "20000"]):
        p.send(stepped, f, at_block=k + 1)
    for o in (rate, moving, stepped):
        p.probe_signal(o)
    r = p.run(blocks=4)
    assert r.samples(moving) == clock(r.samples(rate), *held(*MAPS["cusp"]()))
    rates = [3000.0] * 64 + [-5000.0] * 64 + [0.0] * 64 + [20000.0] * 64
    assert r.samples(stepped) == clock(rates, *held(*MAPS["gbman"]()))
