"""lorenz~, fbsine2~ and latoocarfian~ in pd, against the reference models."""
import math

import pytest
from vpd import Patch, f32

from chaos_model import SR, lorenz, run_map

RATES = [SR, SR / 2, 1000.0]


def outputs(boxes, n=128, sends=(), blocks=2):
    p = Patch()
    objs = [p.obj(b) for b in boxes]
    for o in objs:
        p.probe_signal(o)
    for i, msg in sends:
        p.send(objs[i], msg)
    r = p.run(blocks=blocks)
    return [r.samples(o)[:n] for o in objs], r


@pytest.mark.platforms
def test_lorenz_steps_and_interpolation_at_three_rates():
    got, r = outputs([f"lorenz~ {f}" for f in RATES])
    assert got == [lorenz([f] * 128) for f in RATES]
    # At sr/2 the odd samples lie halfway along the line between steps.
    half = got[1]
    assert half[1] == pytest.approx((half[0] + half[2]) / 2, rel=1e-5)


@pytest.mark.platforms
@pytest.mark.parametrize("name", ["fbsine2", "latoocarfian"])
def test_held_attractors_at_three_rates(name):
    got, _ = outputs([f"{name}~ {f}" for f in RATES])
    assert got == [run_map(name, f, 128) for f in RATES]
    assert len(set(got[2][1:44])) == 1  # held between the slow clock's iterations


def test_arguments_and_coeffs_orders():
    # Arguments take b before r; "coeffs" takes r before b.
    got, r = outputs(["lorenz~ 100 10 3 29 0.02 1 2 3", "lorenz~ 100",
                      "fbsine2~ 5000 1.2 0.3 1.01 0.2 0.4 -0.2", "fbsine2~ 5000",
                      "latoocarfian~ 5000 1.5 2.5 0.7 0.9 0.1 -0.3", "latoocarfian~ 5000"],
                     sends=[(1, "coeffs 10 29 3 0.02"), (1, "1 2 3"),
                            (3, "coeffs 1.2 0.3 1.01 0.2"), (3, "0.4 -0.2"),
                            (5, "coeffs 1.5 2.5 0.7 0.9"), (5, "0.1 -0.3")])
    want_l = lorenz([100.0] * 128, s=10, r=29, b=3, h=f32(0.02), state=(1, 2, 3))
    assert got[0] == got[1] == want_l
    want_f = run_map("fbsine2", 5000.0, 128, state=(f32(0.4), f32(-0.2)), im=f32(1.2),
                     fb=f32(0.3), a=f32(1.01), c=f32(0.2))
    assert got[2] == got[3] == want_f
    want_l2 = run_map("latoocarfian", 5000.0, 128, state=(f32(0.1), f32(-0.3)), a=1.5, b=2.5,
                      c=f32(0.7), d=f32(0.9))
    assert got[4] == got[5] == want_l2
    assert r.errors == []


def test_refused_messages_change_nothing_or_stop_where_told():
    got, r = outputs(
        ["lorenz~", "lorenz~", "fbsine2~", "fbsine2~", "latoocarfian~", "latoocarfian~"],
        sends=[(0, "coeffs 1 2 3 4 5"), (0, "1 2 3 4"),
               (1, "coeffs 12 foo 9"), (1, "0.5 bar 7"),
               (2, "coeffs 1 2 3 4 5"), (2, "1 2 3"),
               (3, "coeffs 0.5 x 1"), (3, "0.3 y"),
               (4, "coeffs 1 2 3"), (4, "1 2 3"),
               (5, "coeffs 1.5 x 2.5 0.7"), (5, "list y 0.2")], n=64)
    sr2 = [SR / 2] * 64
    assert got[0] == lorenz(sr2)
    assert got[1] == lorenz(sr2, s=12, state=(0.5, 0.0, 0.0))
    assert got[2] == run_map("fbsine2", SR / 2, 64)
    assert got[3] == run_map("fbsine2", SR / 2, 64, im=0.5, state=(f32(0.3), 0.1))
    assert got[4] == run_map("latoocarfian", SR / 2, 64)
    # latoocarfian~ skips a non-float: the next float takes its place.
    assert got[5] == run_map("latoocarfian", SR / 2, 64, a=1.5, b=2.5, c=f32(0.7),
                             state=(f32(0.2), 0.5))
    assert r.errors == [
        "lorenz~: 'coeffs' needs a maximum of 4 floats as arguments",
        "lorenz~: list size needs to be <= 3",
        "lorenz~: 'coeffs' arguments needs to only contain floats",
        "lorenz~: list needs to only contain floats",
        "fbsine2~: 'coeffs' needs a maximum of 4 floats as arguments",
        "fbsine2~: list size needs to be <= 2",
        "fbsine2~: 'coeffs' arguments needs to only contain floats",
        "fbsine2~: list needs to only contain floats",
        "latoocarfian~: 'coeffs' needs a list of 4 floats as arguments",
        "latoocarfian~: list size needs to be = 2",
        "latoocarfian~: 'coeffs' arguments needs to only contain floats",
        "latoocarfian~: list needs to only contain floats"]


def test_non_float_arguments_refuse_creation():
    for name in ("lorenz~", "fbsine2~", "latoocarfian~"):
        p = Patch()
        p.obj(f"{name} 100 foo")
        r = p.run()
        assert r.failed_to_create()
        assert f"{name}: arguments needs to only contain floats" in r.errors


def test_clear_and_rate_zero():
    p = Patch()
    l = p.obj("lorenz~ 1000")
    fb = p.obj("fbsine2~ 1000")
    frozen = p.obj("latoocarfian~ 0")
    for o in (l, fb, frozen):
        p.probe_signal(o)
    p.send(l, "clear", at_block=1)
    p.send(fb, "clear", at_block=1)
    r = p.run(blocks=4)
    # lorenz~: the origin is a fixed point, so 0 from its next step on; until
    # then the last step's line runs on from the cleared previous x.
    s = r.samples(l)
    assert s[:64] == lorenz([1000.0] * 64)
    zero = next(i for i in range(64, len(s)) if s[i] == 0.0)
    assert zero < 64 + 45 and set(s[zero:]) == {0.0} and s[64] != 0.0
    # fbsine2~ from (0, 0): x = sin 0 = 0 at its next step, then moves on.
    f = r.samples(fb)
    assert f[:64] == run_map("fbsine2", 1000.0, 64) and f[64] == f[63]
    assert 0.0 in f[64:109] and f[-1] != 0.0
    assert r.samples(frozen) == [run_map("latoocarfian", 0.0, 1)[0]] * 256


def test_negative_rate_runs_forward_and_interpolates_back():
    got, _ = outputs(["lorenz~ -2000", "fbsine2~ -44100"])
    assert got[0] == lorenz([-2000.0] * 128)
    assert got[1] == run_map("fbsine2", -44100.0, 128)


def test_blown_up_or_nan_inputs_never_leave_nan():
    p = Patch()
    big = p.obj("lorenz~ 44100 10 2.667 28 1000")  # a step far too large
    inf = p.obj("sig~ 1e39")  # infinity ...
    nan = p.obj("*~ 0")      # ... times 0
    p.connect(inf, 0, nan)
    rated = p.obj("lorenz~")
    p.connect(nan, 0, rated)
    lat = p.obj("latoocarfian~ 44100 1e39")
    for o in (big, rated, lat):
        p.probe_signal(o)
    r = p.run(blocks=3)
    for o in (big, rated, lat):
        assert all(math.isfinite(v) for v in r.samples(o))
