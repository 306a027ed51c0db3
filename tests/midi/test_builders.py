"""The byte-stream builders, round trips through the parsers, and panic."""
import pytest
from midi_patch import Streams, stream


def out_bytes(text, values, inlets=()):
    return [v for _, v in stream(text, 1, values, inlets)]


def test_bend_out_scaling_and_range():
    assert out_bytes("bend.out", [1, -1, 0, 1.01, -1.01]) == [
        224, 127, 127, 224, 1, 0, 224, 0, 64]
    assert out_bytes("bend.out -raw 2", [16383, 0, 16384, -1]) == [225, 127, 127, 225, 0, 0]


def test_builder_channels_and_accepted_ranges():
    # note.out clamps its channel, the others wrap modulo 16; <= 0 reads as 1.
    assert out_bytes("note.out 20", [60], [(1, 100)]) == [0x9F, 60, 100]
    assert out_bytes("ctl.out 17", [5], [(1, 7)]) == [0xB0, 7, 5]
    assert out_bytes("pgm.out -4", [3, 128, -1, 127.9]) == [0xC0, 3]
    assert out_bytes("ctl.out", [5, 6], [(1, 128), (2, 0)]) == []
    # note.out: the velocity clamps, the pitch is truncated and must be a byte.
    assert out_bytes("note.out 1", [60.7, 128, -1], [(1, 300)]) == [0x90, 60, 127]
    assert out_bytes("note.out -rel 2", [60, 61], [(2, 1), (1, 90)]) == [0x91, 60, 90, 0x91, 61, 90]
    assert out_bytes("note.out -rel 2", [60], [(2, 0), (1, 90)]) == [0x81, 60, 90]
    assert out_bytes("touch.out 3", [40, 200]) == [0xD2, 40]
    assert out_bytes("touch.out -poly 3", [40, 41], [(1, 64)]) == [0xA2, 64, 40, 0xA2, 64, 41]
    assert out_bytes("touch.out -poly 3", [40], [(1, 128)]) == []


def test_infinite_and_nan_floats_are_rejected():
    s = Streams()
    boxes = [s.add(t, n) for t, n in (("bend.out", 1), ("bend.out -raw", 1), ("note.out", 1),
                                      ("ctl.in", 3), ("note.in", 3), ("panic", 1))]
    for b in boxes:
        times = s.p.obj("* 1")
        s.p.connect(times, 0, b)
        # nan (inf * 0), -inf, inf, nan; three boxes also get a channel of nan.
        s.feed(times, [(1, 0), "1e39", (1, 1), "-1e39", "1e39", (1, 0), "1e39"])
    nan = s.p.obj("* 0")
    for b in boxes[:3]:
        s.p.connect(nan, 0, b, 1)
    s.feed(nan, ["1e39"])
    s.feed(boxes[2], [60])
    s.feed(boxes[3], [176, 1, 2])
    s.run()
    assert [s.out(b) for b in boxes] == [[], [], [(0, 144), (0, 60), (0, 0)], [(2, 1), (1, 1), (0, 2)], [], []]


@pytest.mark.platforms
def test_round_trip_every_channel():
    s = Streams()
    pairs = []
    cases = [("ctl.out", "ctl.in", 3, [(1, 74)], 99, {1: 74, 0: 99}),
             ("note.out", "note.in", 3, [(1, 80)], 64, {1: 80, 0: 64}),
             ("note.out -rel", "note.in -rel", 4, [(1, 33), (2, 0)], 64, {2: 0, 1: 33, 0: 64}),
             ("pgm.out", "pgm.in", 2, [], 42, {0: 42}),
             ("bend.out -raw", "bend.in -raw", 2, [], 12345, {0: 12345}),
             ("bend.out", "bend.in", 2, [], -1, {0: -1}),
             ("touch.out", "touch.in", 2, [], 77, {0: 77}),
             ("touch.out -poly", "touch.in -poly", 3, [(1, 12)], 77, {1: 12, 0: 77})]
    for out_text, in_text, outlets, inlets, value, expect in cases:
        for ch in range(1, 17):
            parser = s.add(in_text, outlets)
            builder = s.p.obj(f"{out_text} {ch}")
            s.p.connect(builder, 0, parser)
            for inlet, message in inlets:
                s.p.send(builder, str(message), inlet=inlet)
            s.p.send(builder, str(value))
            pairs.append((parser, ch, outlets, expect))
    r = s.run()
    assert r.errors == []
    for parser, ch, outlets, expect in pairs:
        got = s.out(parser)
        assert (outlets - 1, ch) in got, (parser, got)
        assert {o: v for o, v in got if o < outlets - 1} == expect, (parser, got)


def test_panic_counts_and_silences():
    burst = [144, 60, 100, 144, 60, 90, 62, 50, 128, 62, 0, 145, 61, 1, 176, 60, 100]
    s = Streams()
    p = s.add("panic", 1)
    s.feed(p, burst + ["bang", "bang"])
    cleared = s.add("panic", 1)
    s.feed(cleared, [144, 60, 100, "clear", "bang"])
    edges = s.add("panic", 1)
    # Floats outside 0..255 are not passed and drop a half-read note; a
    # note-off for a silent note leaves its count at 0.
    s.feed(edges, [144, 64, -3, 100, 0, 256, 128, 70, 0, 144, 70, 1, "bang"])
    many = s.add("panic", 1)
    s.feed(many, [144] + [65, 1] * 300 + ["bang"])
    s.run()
    assert [v for _, v in s.out(p)] == burst + [144, 60, 0, 144, 60, 0, 145, 61, 0]
    assert [v for _, v in s.out(cleared)] == [144, 60, 100]
    assert [v for _, v in s.out(edges)] == [144, 64, 100, 0, 128, 70, 0, 144, 70, 1, 144, 70, 0]
    # Counts stop at 255 rather than wrapping round to none.
    tail = [v for _, v in s.out(many)][601:]
    assert tail == [144, 65, 0] * 255
