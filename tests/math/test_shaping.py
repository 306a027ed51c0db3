"""fold~, wrap2~ and quantizer~ in pd: the samples for constant inputs, bounds
in either order, modes, and values no integer holds."""
import math

import pytest
from vpd import Patch, f32


def shaped(text, inputs, inlets=()):
    """The first sample of [text] for each input value ("nan" makes a NaN), with
    (value, inlet) pairs sent to its right inlets as floats first."""
    p = Patch()
    boxes = []
    for v in inputs:
        box = p.obj(text)
        if v == "nan":
            src = p.obj("sig~ 1e999")
            nan = p.obj("-~ 1e999")
            p.connect(src, 0, nan)
            src = nan
        else:
            src = p.obj(f"sig~ {v}")
        p.connect(src, 0, box)
        for value, inlet in inlets:
            p.send(box, value, inlet=inlet)
        p.probe_signal(box)
        boxes.append(box)
    r = p.run(blocks=1)
    assert r.errors == [] and r.failed_to_create() == [], r.text
    return [r.samples(b)[0] for b in boxes]


def same(got, want):
    assert len(got) == len(want)
    for g, w in zip(got, want):
        assert (math.isnan(g) and math.isnan(w)) or g == f32(w), (got, want)


@pytest.mark.platforms
@pytest.mark.parametrize("text,inputs,want", [
    ("fold~ 0 1", [1.25, -0.25, -1.5, 0.5, 2.25], [0.75, 0.25, 0.5, 0.5, 0.25]),
    ("fold~ 1 0", [1.25, -0.25, -1.5], [0.75, 0.25, 0.5]),
    ("fold~", [1.5, -3], [0.5, 1]),
    ("fold~ 2", [2.5, -1], [1.5, 1]),
    ("fold~ 3 3", [7, "nan"], [3, 3]),
    ("fold~ 0 1", [1e30, 8388609, "1e999", "-1e999", "nan"], [0, 1, 0, 0, math.nan]),
    ("wrap2~", [1.5, -1.5, 1, -1, 0.25], [-0.5, 0.5, -1, -1, 0.25]),
    ("wrap2~ 1 -1", [1.5, -1.5], [-0.5, 0.5]),
    ("wrap2~ 2", [-0.5, 2], [1.5, 0]),
    ("wrap2~ 3 3", [7], [3]),
    ("wrap2~", [-1e9, -1e30, "-1e999", "1e999", 1e30, "nan"], [0, 0, -1, -1, 0, math.nan]),
    ("quantizer~ 0.5", [0.74, 0.75, -0.25, 1e30, "-1e999", "nan"], [0.5, 1, -0.5, 1e30, -math.inf, math.nan]),
    ("quantizer~ 0.5 1", [-0.74, 0.99], [-0.5, 0.5]),
    ("quantizer~ 0.5 2", [-0.26, 0.74], [-0.5, 0.5]),
    ("quantizer~ 0.5 -mode 3", [0.26, -0.26], [0.5, 0]),
    ("quantizer~", [0.74], [0.74]),
])
def test_samples(text, inputs, want):
    same(shaped(text, inputs), want)


def test_bounds_step_and_mode_from_inlets():
    same(shaped("fold~ 0 1", [2.5], [("2", 2), ("3", 1)]), [2.5])
    same(shaped("fold~ 0 1", [3.5], [("2", 2), ("3", 1)]), [2.5])
    same(shaped("wrap2~ 0 1", [3.5], [("2", 1), ("3", 2)]), [2.5])
    same(shaped("quantizer~ 0.5", [0.74], [("0.25", 1)]), [0.75])
    same(shaped("quantizer~ 0.5", [0.74], [("mode 7", 0)]), [1])
    same(shaped("quantizer~ 0.5 9", [0.26], [("mode -1", 0)]), [0.5])
    # The left inlet of fold~ takes a float as a constant signal.
    p = Patch()
    box = p.obj("fold~ 0 1")
    p.send(box, "1.25")
    p.probe_signal(box)
    assert p.run(blocks=1).samples(box)[:2] == [0.75, 0.75]


@pytest.mark.parametrize("text,line", [
    ("fold~ 1 2 3", "fold~: improper args"), ("fold~ a", "fold~: improper args"),
    ("wrap2~ 1 2 3", "[wrap2~]: improper args"), ("wrap2~ x", "[wrap2~]: improper args"),
    ("quantizer~ foo", "quantizer~: improper args"),
    ("quantizer~ 1 -mode", "quantizer~: improper args"),
])
def test_improper_args(text, line):
    p = Patch()
    p.obj(text)
    r = p.run()
    assert r.failed_to_create() and r.errors[:1] == [line]
