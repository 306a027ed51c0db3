"""Every class in the library folder ships a help patch in the frame, made from
its source; and the gate's own detectors find what they are meant to find."""
import pytest
from check_help import (check, frame_problems, host_ports, listed_ports,  # puts scripts/ on the path
                        reference)
from library import classes

import helppatch
import pdpatch


def test_library_folder_is_not_empty():
    assert "vesh" in classes()


def test_every_help_patch_passes_the_gate():
    problems = [p for name in classes() for p in check(name)]
    assert problems == []


def test_help_patches_are_what_their_sources_make():
    stale = []
    for source in helppatch.sources():
        with open(helppatch.target(source)) as f:
            if f.read() != helppatch.build(source):
                stale.append(source)
    assert stale == []


SOURCE = """demo~ - a made-up class
see osc~
inlet 1 float/signal: one
inlet 2 float: two
outlet 1 signal: out
example
obj o 0 0 osc~ 440
"""


def made(extra_example=""):
    return pdpatch.parse(helppatch.make(helppatch.read_source(SOURCE + extra_example)))


def test_a_made_patch_has_the_frame_and_nothing_more():
    root = made()
    known = {"demo~": (2, 1), "osc~": (2, 1), "osc~ 440": (2, 1)}
    known.update({" ".join(b.tokens): (0, 0) for c in root.canvases() for b in c.find("obj")
                  if b.name == "cnv"})
    assert frame_problems("demo~", root, known) == []
    assert listed_ports(reference(root), "INLETS") == (2, 0)
    assert listed_ports(reference(root), "OUTLETS") == (1, 0)


@pytest.mark.parametrize("example, problem", [
    ("obj a 0 0 osc~ 220\n", "overlap"),                        # drawn over [osc~ 440]
    ("msg m 0 -60 1\nobj b 0 -30 f\nm -> o\n", "crosses [f]"),  # cord through [f]
    ("obj up 200 -40 f\no -> up\n", "crosses [osc~ 440]"),     # cord back along its source
    ("obj d 0 60 dac~\no -> d\n", "dac~"),                      # no volume, no mute
])
def test_the_gate_finds_layout_faults(example, problem):
    root = made(example)
    known = {" ".join(b.tokens): (2, 1) for c in root.canvases() for b in c.find("obj")}
    known["demo~"] = (2, 1)
    assert any(problem in p for p in frame_problems("demo~", root, known))


def test_the_gate_counts_ports_in_the_host():
    assert host_ports(["saw~ 220", "router 3", "output~", "no.such~"]) == {
        "saw~ 220": (3, 1), "router 3": (2, 3), "output~": (2, 0), "no.such~": None}


def test_the_gate_holds_the_reference_and_see_also_to_the_host():
    root = made()
    known = {" ".join(b.tokens): (2, 1) for c in root.canvases() for b in c.find("obj")}
    known.update({"demo~": (3, 1), "osc~": None})
    assert [p for p in frame_problems("demo~", root, known) if "reference" in p or "see" in p] == [
        "reference lists 2 inlets, [demo~] has 3", "see-also box [osc~] does not create"]


def test_box_extents_follow_pd():
    # one line: 7 x 16 pixels a character plus margins; message boxes add their notch;
    # long text wraps at 60 characters, or at the width set with ", f N"
    root = pdpatch.parse("#N canvas 0 0 100 100 12;\n#X obj 10 10 osc~ 440;\n"
                         "#X msg 10 40 bang;\n#X text 10 70 " + "word " * 20 + ";\n"
                         "#X text 10 200 a b c, f 30;\n")
    assert [pdpatch.extent(b) for b in root.boxes] == [
        (10, 10, 70, 31), (10, 40, 47, 61), (10, 70, 427, 105), (10, 200, 224, 219)]
