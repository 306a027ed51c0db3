"""The phase-driven oscillators in pd: shapes, inlets, sync and phase offset.

Most cases run at 65536 Hz, where 1/sr is exact and a frequency of 8192 Hz
steps the phase by exactly 1/8, so every expected sample can be written down.
"""
import math
import struct

import pytest
from vpd import Patch, f32

SR = 65536
EIGHTH = 8192  # Hz: one cycle every 8 samples at SR


def run_boxes(texts, blocks=1, sr=SR):
    p = Patch(sr=sr)
    boxes = [p.obj(t) for t in texts]
    for b in boxes:
        p.probe_signal(b)
    r = p.run(blocks=blocks)
    assert r.errors == [] and r.failed_to_create() == []
    return [r.samples(b) for b in boxes]


CYCLES = {
    "saw~ 8192": [1, .75, .5, .25, 0, -.25, -.5, -.75],
    "saw2~ 8192": [0, .25, .5, .75, 1, -.75, -.5, -.25],
    "tri~ 8192": [0, .5, 1, .5, 0, -.5, -1, -.5],
    "parabolic~ 8192": [0, .75, 1, .75, 0, -.75, -1, -.75],
    "square~ 8192": [1, 1, 1, 1, 1, -1, -1, -1],
    "square~ 8192 1": [1, 1, 1, 1, 1, 1, 1, -1],  # the sample before the wrap stays low
    "square~ 8192 0": [1, -1, -1, -1, -1, -1, -1, -1],  # the wrap sample stays high
    "pulse~ 8192 0.25": [1, 1, 1, 0, 0, 0, 0, 0],
    "vsaw~ 8192": [1, .75, .5, .25, 0, -.25, -.5, -.75],
    "vsaw~ 8192 0.5": [1, .5, 0, -.5, -1, -.5, 0, .5],
    "vsaw~ 8192 1": [-1, -.75, -.5, -.25, 0, .25, .5, .75],
    "vsaw~ 8192 3": [-1, -.75, -.5, -.25, 0, .25, .5, .75],  # width clamped to 1
    "vsaw~ 8192 0 1.5": [1, .75, .5, .25, 0, -.25, -.5, -.75],  # offset out of range: 0
    "saw~ 8192 0.25": [.5, .25, 0, -.25, -.5, -.75, 1, .75],
    "square~ 8192 0.5 0.25": [1, 1, 1, -1, -1, -1, 1, 1],
    # negative frequencies run backwards; the backward wrap sample is low
    "saw~ -16384": [1, -.5, 0, .5],
    "square~ -8192": [-1, -1, -1, -1, 1, 1, 1, 1],
    # above Nyquist: exactly half the sample rate
    "saw~ 40000": [1, 0, 1, 0],
    "pulse~ 1e9 0.5": [1, 0, 1, 0],
}


@pytest.mark.platforms
def test_exact_cycles_of_every_shape():
    outs = run_boxes(CYCLES)
    for (text, cycle), out in zip(CYCLES.items(), outs):
        assert out == cycle * (64 // len(cycle)), text


def vsaw_single(ph, w):
    """One vsaw~ sample: corner distance and slope narrowed, then float arithmetic."""
    m, k = min(ph * w, (ph - 1) * (w - 1)), 1 / (w * (w - 1))
    return f32(f32(f32(m) * f32(f32(k) + f32(k))) + 1)


@pytest.mark.platforms
def test_vsaw_narrows_slope_and_corner_distance_to_single_precision():
    w = f32(0.3)
    out = run_boxes([f"vsaw~ {EIGHTH} 0.3"])[0]
    single = [vsaw_single(i / 8, w) for i in range(8)]
    double = [f32(min(i / 8 * w, (i / 8 - 1) * (w - 1)) * 2 / (w * (w - 1)) + 1)
              for i in range(8)]
    assert out[:8] == single
    assert single != double  # the narrowing shows in these samples


def test_saw_is_the_double_phase_narrowed_once():
    # At 1000 Hz the phase is not a float: only the output may be rounded.
    out = run_boxes(["saw~ 1000"], sr=44100)[0]
    phase, want = 0.0, []
    for _ in range(64):
        want.append(f32(1 - 2 * phase))
        phase += 1000 * (1 / 44100)
        phase = phase - 1 if phase >= 1 else phase
    assert out == want


def test_inputs_changing_within_a_block():
    # A step half a millisecond into the block: frequency 0 -> 8192 for saw~,
    # width 0.5 -> 0.25 for square~ and vsaw~.
    p = Patch(sr=SR)
    step = p.obj("vline~")
    p.send(step, "1 0 0.5")
    freq = p.obj(f"*~ {EIGHTH}")
    narrow = p.obj("*~ -0.25")
    width = p.obj("+~ 0.5")
    saw = p.obj("saw~")
    sq = p.obj(f"square~ {EIGHTH}")
    vs = p.obj(f"vsaw~ {EIGHTH}")
    p.connect(step, 0, freq)
    p.connect(step, 0, narrow)
    p.connect(narrow, 0, width)
    p.connect(freq, 0, saw)
    p.connect(width, 0, sq, 1)
    p.connect(width, 0, vs, 1)
    for b in (step, saw, sq, vs):
        p.probe_signal(b)
    r = p.run(blocks=1)
    j = r.samples(step).index(1.0)
    assert 0 < j < 63
    assert r.samples(saw)[:j + 8] == [1] * (j + 1) + [.75, .5, .25, 0, -.25, -.5, -.75]
    widths = [.5 if i < j else .25 for i in range(64)]
    assert r.samples(sq) == [1 if i % 8 == 0 or (i % 8 != 7 and i % 8 / 8 <= w) else -1
                             for i, w in enumerate(widths)]
    assert r.samples(vs) == [vsaw_single(i % 8 / 8, w) for i, w in enumerate(widths)]


@pytest.mark.platforms
def test_sine_and_cosine_are_the_double_sine_narrowed():
    sr = 44100
    sine, cosine = run_boxes(["sine~ 440", "cosine~ 440"], blocks=8, sr=sr)
    inc, phase = 440 * (1.0 / sr), 0.0
    for s, c in zip(sine, cosine):
        x = 6.283185307179586 * phase
        assert (s, c) == (f32(math.sin(x)), f32(math.cos(x)))
        phase += inc
        phase = phase - 1 if phase >= 1 else phase
    # the zero crossing keeps the residue of the rounded 2*pi
    half = run_boxes(["sine~ 32768"])[0]
    assert half[:2] == [0, f32(math.sin(math.pi))]


def test_zero_hz_and_arguments_that_are_not_floats():
    texts = ["saw~", "saw2~", "sine~", "cosine~", "tri~", "parabolic~", "square~", "pulse~",
             "vsaw~", "saw~ foo 8192", "saw~ 0 foo 9", "square~ 0 bar 0.25", "vsaw~ 0 -2"]
    firsts = [out[0] for out in run_boxes(texts)]
    assert firsts == [1, 0, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1]


def test_floats_and_signals_reach_every_inlet():
    p = Patch(sr=SR)
    saw = p.obj("saw~")
    p.send(saw, str(EIGHTH), at_block=1)
    off = p.obj("saw~ 0")
    p.send(off, "0.25", inlet=2, at_block=1)
    sq = p.obj(f"square~ {EIGHTH}")
    p.send(sq, "0.25", inlet=1, at_block=1)
    sig = p.obj(f"sig~ {EIGHTH}")
    width = p.obj("sig~ 0.5")
    vs = p.obj("vsaw~")
    p.connect(sig, 0, vs, 0)
    p.connect(width, 0, vs, 1)
    for b in (saw, off, sq, vs):
        p.probe_signal(b)
    r = p.run(blocks=2)
    assert r.samples(saw)[60:67] == [1, 1, 1, 1, 1, .75, .5]
    assert r.samples(off)[63:66] == [1, .5, .5]
    assert r.samples(sq)[64:72] == [1, 1, 1, -1, -1, -1, -1, -1]
    assert r.samples(vs)[:8] == [1, .5, 0, -.5, -1, -.5, 0, .5]


def sync_patch(cls="saw~ 0", source=None):
    p = Patch(sr=SR)
    osc = p.obj(cls)
    src = None
    if source:
        src = p.obj(source)
        p.connect(src, 0, osc, 2 if cls.startswith(("square", "pulse", "vsaw")) else 1)
    p.probe_signal(osc)
    return p, osc, src


def test_sync_float_applies_once_at_the_next_block():
    for value, phase in (("0.5", .5), ("1.25", .25), ("-0.75", .25), ("1e39", 0)):
        p, saw, _ = sync_patch()
        p.send(saw, "0.125", inlet=1, at_block=1)
        p.send(saw, value, inlet=1, at_block=1)  # only the last float of a block counts
        out = p.run(blocks=3).samples(saw)
        # an infinite float is dropped and leaves the phase alone
        assert out[60:68] == [1] * 4 + [f32(1 - 2 * phase)] * 4, value
        assert out[128:] == [f32(1 - 2 * phase)] * 64


def test_sync_through_a_control_connection_is_still_a_float():
    p, saw, f = sync_patch(source="f 0.5")
    p.send(f, "bang", at_block=1)
    assert p.run(blocks=2).samples(saw)[63:65] == [1, 0]


def test_sync_float_waits_while_a_signal_is_connected():
    p, saw, src = sync_patch(f"saw~ {EIGHTH}", "sig~ 0")
    p.send(saw, "0.5", inlet=1, at_block=1)
    cut = p.msg(f"; pd-case.pd disconnect {src.index} 0 {saw.index} 1")
    p.send(cut, "bang", at_block=3)
    out = p.run(blocks=4).samples(saw)
    assert out[64:72] == [1, .75, .5, .25, 0, -.25, -.5, -.75]  # ignored while connected
    assert out[192:195] == [0, -.25, -.5]  # applied after the rebuild


def test_sync_signal_sets_the_phase_at_each_impulse():
    # rzero~ 1 turns each step of sig~ into a one-sample impulse.
    cases = {"saw~ 8192": [-1, .75, .5], "square~ 8192": [1, 1, 1], "vsaw~ 8192": [1, .75, .5]}
    for cls, expect in cases.items():
        p, osc, _ = sync_patch(cls)
        sig = p.obj("sig~ 0.25")
        imp = p.obj("rzero~ 1")
        p.connect(sig, 0, imp, 0)
        p.connect(imp, 0, osc, 2 if cls.startswith(("square", "vsaw")) else 1)
        p.send(sig, "1.25", at_block=1)  # step of 1: impulse of value 1
        out = p.run(blocks=2).samples(osc)
        assert out[64:67] == expect, cls
    for level, expect in (("0.5", [0] * 3), ("0", [1, .75, .5]), ("-0.5", [1, .75, .5]),
                          ("1.5", [1, .75, .5])):
        p, saw, _ = sync_patch(f"saw~ {EIGHTH}", f"sig~ {level}")
        assert p.run(blocks=1).samples(saw)[:3] == expect, level
    # held at phase 1 the second half-parabola ends on -0, not +0
    p, par, _ = sync_patch(f"parabolic~ {EIGHTH}", "sig~ 1")
    assert [math.copysign(1, v) for v in p.run(blocks=1).samples(par)] == [-1] * 64


def test_phase_offset_steps_drop_whole_cycles():
    p, saw, _ = sync_patch()
    p.send(saw, "2.5", inlet=2, at_block=1)
    p.send(saw, "-3.25", inlet=2, at_block=2)
    out = p.run(blocks=3).samples(saw)
    assert out[63:65] == [1, 0] and out[127:129] == [0, f32(1 - 2 * .75)]


def test_phase_landing_exactly_on_two_cycles_wraps_to_the_start():
    # At half rate after sync 0.25 the phase alternates 0.25, 0.75; an offset
    # step of 0.75 then lands on 0.75 + 0.5 + 0.75 = 2.0 exactly: phase 0.
    p, saw, _ = sync_patch("saw~ 32768")
    p.send(saw, "0.25", inlet=1, at_block=1)
    p.send(saw, "0.75", inlet=2, at_block=2)
    out = p.run(blocks=3).samples(saw)
    assert out[124:132] == [.5, -.5, .5, -.5, 1, 0, 1, 0]


def test_phase_stays_in_range_under_large_offset_steps():
    # An offset rising 0.9 a sample on top of a half-cycle increment used to
    # carry the phase past one cycle per sample; once the offset holds still
    # the oscillators must be back to their plain half-rate pattern.
    p = Patch(sr=SR)
    step = p.obj("sig~ 0.9")
    ramp = p.obj("rpole~ 1")
    p.connect(step, 0, ramp, 0)
    p.send(step, "0", at_block=8)
    boxes = [p.obj(t) for t in ("saw~ 32768", "vsaw~ 32768 0.5", "square~ 32768")]
    for b, inlet in zip(boxes, (2, 3, 3)):
        p.connect(ramp, 0, b, inlet)
        p.probe_signal(b)
    r = p.run(blocks=10)
    saw, vsaw, square = (r.samples(b) for b in boxes)
    assert all(-1 <= v <= 1 for v in saw + vsaw)
    assert len(set(saw[-64:])) == 2 and square[-64:] in ([1, -1] * 32, [-1, 1] * 32)


def test_non_finite_offsets_leave_the_phase_running():
    p = Patch(sr=SR)
    inf = p.obj("sig~ 1e39")
    nan = p.obj("-~ 1e39")
    p.connect(inf, 0, nan, 0)
    a = p.obj(f"saw~ {EIGHTH}")
    b = p.obj(f"square~ {EIGHTH}")
    p.connect(nan, 0, a, 2)
    p.connect(nan, 0, b, 3)
    c = p.obj(f"saw~ {EIGHTH}")
    p.send(c, "1e39", inlet=2, at_block=1)
    p.send(c, "0", inlet=2, at_block=2)
    for box in (a, b, c):
        p.probe_signal(box)
    r = p.run(blocks=3)
    assert r.samples(a)[:8] == CYCLES["saw~ 8192"]
    assert r.samples(b)[:8] == CYCLES["square~ 8192"]
    assert r.samples(c) == CYCLES["saw~ 8192"] * 24


def test_nan_width_counts_as_zero():
    p = Patch(sr=SR)
    inf = p.obj("sig~ 1e39")
    nan = p.obj("-~ 1e39")
    p.connect(inf, 0, nan, 0)
    boxes = [p.obj(f"{name} {EIGHTH} 0.5") for name in ("square~", "vsaw~")]
    for b in boxes:
        p.connect(nan, 0, b, 1)
        p.probe_signal(b)
    r = p.run(blocks=1)
    assert [r.samples(b)[:8] for b in boxes] == [CYCLES["square~ 8192 0"], CYCLES["vsaw~ 8192"]]
