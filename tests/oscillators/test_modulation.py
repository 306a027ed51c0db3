"""The modulation oscillators in pd: pmosc~, xmod~, xmod2~, sin~, against
models that round where the classes do (f32: to single precision).
"""
import ctypes
import math

import pytest
from vpd import Patch, f32

SR = 44100
TWO_PI = 6.283185307179586
INV_SR = f32(1 / SR)  # 1/sr in single precision
sinf = ctypes.CDLL("libm.so.6").sinf
sinf.restype, sinf.argtypes = ctypes.c_float, [ctypes.c_float]


def blocks_of(step, n, *phases):
    """Runs step(i, phases) -> (outputs, phases) for n samples, wrapping the
    phases with fmod at the end of each 64-sample block."""
    outs = []
    for i in range(n):
        out, phases = step(i, phases)
        outs.append(out)
        if i % 64 == 63:
            phases = tuple(math.fmod(ph, 1) if isinstance(ph, float) else ph for ph in phases)
    return outs


def pmosc(fc, fm, index, offset, n):
    def step(i, ph):
        cp, mp = ph
        v = f32(math.sin(TWO_PI * (f32(offset) + mp)) * f32(index))
        out = f32(math.sin(TWO_PI * (v + cp)))
        return out, (cp + f32(f32(fc) * INV_SR), mp + f32(f32(fm) * INV_SR))
    return blocks_of(step, n, 0.0, 0.0)


def xmod(f1, i1, f2, i2, n, pm=False):
    f1, i1, f2, i2 = map(f32, (f1, i1, f2, i2))

    def step(i, ph):
        p1, p2, last = ph
        if pm:
            y1 = f32(sinf(f32((p1 + f32(i2 * last)) * TWO_PI)))
            y2 = f32(sinf(f32((p2 + f32(y1 * i1)) * TWO_PI)))
            p1, p2 = p1 + f32(f1 * INV_SR), p2 + f32(f2 * INV_SR)
        else:
            y1, y2 = f32(math.sin(TWO_PI * p1)), f32(math.sin(TWO_PI * p2))
            p2 += f32(f32(f2 + f32(i1 * y1)) * INV_SR)
            p1 += f32(f32(f1 + f32(i2 * last)) * INV_SR)
        return (y1, y2), (p1, p2, y2)
    return blocks_of(step, n, 0.0, 0.0, f32(0))


def xmod2(f1, i1, f2, i2, n):
    f1, i1, f2, i2 = map(f32, (f1, i1, f2, i2))
    k = f32(TWO_PI / SR)

    def clip(v):
        return -1.0 if v <= -1 else 1.0 if v >= 1 else v

    def free_step(f):
        return f32(f32(math.tan(f32(k * f))) / k)

    s1, s2 = free_step(f1), free_step(f2)
    x1, y1, x2, y2 = 1.0, 0.0, 1.0, 0.0
    outs = []
    for _ in range(n):
        a1 = f32(f32(s1 + f32(i2 * x2)) * k)
        x1, y1 = clip(f32(x1 - f32(a1 * y1))), clip(f32(y1 + f32(a1 * x1)))
        a2 = f32(f32(s2 + f32(i1 * x1)) * k)
        x2, y2 = clip(f32(x2 - f32(a2 * y2))), clip(f32(y2 + f32(a2 * x2)))
        outs.append((x1, x2))
    return outs


def run_pairs(texts, blocks):
    p = Patch(sr=SR)
    boxes = [p.obj(t) for t in texts]
    for b in boxes:
        p.probe_signal(b)
        if b.text.startswith("xmod"):
            p.probe_signal(b, 1)
    r = p.run(blocks=blocks)
    assert r.errors == [] and r.failed_to_create() == []
    return {b.text: (list(zip(r.samples(b), r.samples(b, 1))) if b.text.startswith("xmod")
                     else r.samples(b)) for b in boxes}


@pytest.mark.platforms
def test_pmosc_and_xmod_frequency_modulation_sample_for_sample():
    # index 0 is a plain sine from 0; large indices reach angles of many cycles
    cases = {"pmosc~ 440": pmosc(440, 0, 0, 0, 256),
             "pmosc~ 440 110 2.5 0.1": pmosc(440, 110, 2.5, 0.1, 256),
             "pmosc~ 300 7 40": pmosc(300, 7, 40, 0, 256),
             "xmod~ 440 0 660 0": xmod(440, 0, 660, 0, 256),
             "xmod~ 440 300 90 700": xmod(440, 300, 90, 700, 256)}
    outs = run_pairs(cases, 4)
    assert outs["pmosc~ 440"][0] == 0
    for text, expect in cases.items():
        assert outs[text] == expect, text


def test_xmod_phase_modulation_and_its_messages():
    p = Patch(sr=SR)
    flag = p.obj("xmod~ 440 0.3 660 0.7 -pm")
    switched = p.obj("xmod~ 440 0.3 660 0.7")
    p.send(switched, "pm")
    back = p.obj("xmod~ 440 0.3 660 0.7 -pm")
    p.send(back, "fm")
    for b in (flag, switched, back):
        p.probe_signal(b)
        p.probe_signal(b, 1)
    r = p.run(blocks=2)
    pm = xmod(440, 0.3, 660, 0.7, 128, pm=True)
    for b in (flag, switched):
        assert list(zip(r.samples(b), r.samples(b, 1))) == pm
    assert list(zip(r.samples(back), r.samples(back, 1))) == xmod(440, 0.3, 660, 0.7, 128)


def test_xmod2_rotation_sample_for_sample():
    cases = {"xmod2~": [(1.0, 1.0)] * 192,  # at rest it holds 1 on both outlets
             "xmod2~ 440 0 660 0": xmod2(440, 0, 660, 0, 192),
             "xmod2~ 440 300 90 700 5": xmod2(440, 300, 90, 700, 192)}
    outs = run_pairs(cases, 3)
    for text, expect in cases.items():
        assert outs[text] == expect, text


def test_arguments():
    p = Patch(sr=SR)
    good = ["xmod~ 100 0 200 0 -pm", "xmod~ -pm", "xmod~ 1 2 3 4 5 6", "xmod2~ 1 2 3 4 5",
            "pmosc~ 441 foo 1000"]  # pmosc~ stops reading at "foo": no modulation
    bad = ["xmod~ -pm 100", "xmod~ 100 -fm", "xmod~ 100 -pm -pm", "xmod2~ 100 -pm"]
    boxes = [p.obj(t) for t in good + bad]
    p.probe_signal(boxes[4])
    r = p.run(blocks=1)
    assert sorted(r.errors) == sorted(["[xmod~]: improper args"] * 3 + ["[xmod2~]: improper args"])
    assert len(r.failed_to_create()) == len(bad)
    assert r.samples(boxes[4]) == pmosc(441, 0, 0, 0, 64)


@pytest.mark.platforms
def test_sin_of_cycles():
    values = [0, .25, .5, .75, 1, 1.25, -.25, -.5, 1000.125, -3.75, 1e39]
    p = Patch(sr=SR)
    outs = []
    for v in values:
        s = p.obj(f"sin~")
        p.connect(p.obj(f"sig~ {v}"), 0, s)
        outs.append(s)
        p.probe_signal(s)
    ramp = p.obj("phasor~ 1000")
    sine = p.obj("sin~")
    p.connect(ramp, 0, sine)
    p.probe_signal(ramp)
    p.probe_signal(sine)
    r = p.run(blocks=2)
    firsts = [r.samples(s)[0] for s in outs]
    assert firsts[:7] == [0, 1, 0, -1, 0, 1, -1]
    # -0.5 keeps the residue of the rounded 2 pi; an infinite phase has no sine
    assert firsts[7:10] == [f32(math.sin(-math.pi)), f32(math.sqrt(.5)), 1]
    assert math.isnan(firsts[10])
    assert r.samples(sine) == [0 if x == .5 else f32(math.sin(TWO_PI * x))
                               for x in r.samples(ramp)]


def test_non_finite_inputs_leave_no_state_behind():
    # NaN for one block into every inlet of every class, then ordinary values
    p = Patch(sr=SR)
    level = p.obj("sig~ 1e39")
    nan = p.obj("*~ 0")
    p.connect(level, 0, nan)
    p.send(level, "0", at_block=1)
    classes = {"pmosc~ 440 110 2": 4, "xmod~ 440 100 660 100": 4, "xmod~ 440 1 660 1 -pm": 4,
               "xmod2~ 440 100 660 100": 4, "impulse~ 8192": 3, "pimp~ 8192": 3,
               "impulse2~ 8192": 4}
    boxes = []
    for text, inlets in classes.items():
        for inlet in range(inlets):
            b = p.obj(text)
            plus = p.obj(f"+~ {text.split()[1 + inlet] if inlet < len(text.split()) - 1 else 0}")
            p.connect(nan, 0, plus)
            p.connect(plus, 0, b, inlet)
            p.probe_signal(b)
            boxes.append((text, inlet, b))
    r = p.run(blocks=4)
    for text, inlet, b in boxes:
        tail = r.samples(b)[128:]
        assert all(math.isfinite(v) for v in tail), (text, inlet)
        assert len(set(tail)) > 1, (text, inlet)  # still running
