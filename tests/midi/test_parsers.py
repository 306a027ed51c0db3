"""The byte-stream parsers in pd: values, output order, channels, running
status and bytes that do not belong in a MIDI stream."""
import pytest
from midi_patch import Streams, stream


def test_controllers_omni_and_running_status():
    # Channel first, then controller, then value; a lone data byte sends nothing.
    assert stream("ctl.in", 3, [176, 7, 100, 90]) == [(2, 1), (1, 7), (0, 100)]
    # One control change per status byte: a further pair needs a new status.
    assert stream("ctl.in", 3, [179, 7, 100, 10, 64, 179, 11, 65]) == [
        (2, 4), (1, 7), (0, 100), (2, 4), (1, 11), (0, 65)]
    # Another status in between, and floats that are not bytes, cut the message.
    assert stream("ctl.in", 3, [176, 7, 144, 100, 176, 7, -1, 100, 176, 300, 7, 100]) == []
    # 256 counts as data byte 0.
    assert stream("ctl.in", 3, [176, 7, 256]) == [(2, 1), (1, 7), (0, 0)]


def test_controllers_on_one_channel_and_channel_inlet_changes():
    s = Streams()
    two = s.add("ctl.in 2", 3)
    s.feed(two, [176, 7, 100, 177, 7, 100])
    moved = s.add("ctl.in", 3)
    s.feed(moved, [(1, 2), 176, 1, 1, 177, 2, 2, (1, 17), 177, 3, 3, (1, 0), 176, 4, 4])
    clamped = s.add("ctl.in 40", 3)  # clamps to 16
    s.feed(clamped, [191, 5, 5, 190, 6, 6])
    s.run()
    assert s.out(two) == [(1, 7), (0, 100)]
    # 17 is no channel and leaves channel 2 in place; 0 is omni again.
    assert s.out(moved) == [(1, 2), (0, 2), (1, 3), (0, 3), (2, 1), (1, 4), (0, 4)]
    assert s.out(clamped) == [(1, 5), (0, 5)]


def test_notes_running_status_and_note_off():
    assert stream("note.in", 3, [144, 60, 100, 62, 0]) == [
        (2, 1), (1, 100), (0, 60), (2, 1), (1, 0), (0, 62)]
    assert stream("note.in", 3, [130, 60, 64]) == [(2, 3), (1, 0), (0, 60)]
    assert stream("note.in -rel", 4, [128, 60, 64, 144, 61, 65]) == [
        (3, 1), (2, 0), (1, 64), (0, 60), (3, 1), (2, 1), (1, 65), (0, 61)]
    # A negative float is skipped without touching the message; above 255 ends it.
    assert stream("note.in", 3, [144, 60, -5, 100, 144, 60, 300, 100]) == [
        (2, 1), (1, 100), (0, 60)]
    # Other messages end the note status; their data bytes are no notes.
    assert stream("note.in", 3, [144, 60, 176, 7, 100]) == []


def test_note_and_bend_channels_never_wrap():
    every = [b for ch in range(16) for b in (0x90 + ch, 60, 100, 0xE0 + ch, 0, 64)]
    s = Streams()
    boxes = [s.add(t, 2 if "bend" in t else 3)
             for t in ("note.in 257", "bend.in 257", "note.in 17", "note.in -3",
                       "note.in 1e30", "note.in 2", "bend.in 16")]
    for b in boxes:
        s.feed(b, every)
    s.run()
    assert [s.out(b) for b in boxes[:5]] == [[]] * 5
    assert s.out(boxes[5]) == [(1, 100), (0, 60)]
    assert s.out(boxes[6]) == [(0, 0)]


def test_note_and_bend_channel_inlet():
    s = Streams()
    note = s.add("note.in 3", 3)
    # The inlet starts at 0 whatever the argument, so a first 0 changes
    # nothing; channel 5, a negative channel, then 0 is omni.
    s.feed(note, [146, 1, 1, 144, 2, 2, (1, 0), 144, 3, 3, (1, 5), 144, 4, 4, 148, 5, 5,
                  (1, -2), 148, 6, 6, (1, 0), 144, 7, 7])
    bend = s.add("bend.in -raw", 2)
    s.feed(bend, [(1, 9), 224, 0, 64, 232, 1, 64, (1, 0), 224, 2, 64])
    s.run()
    assert s.out(note) == [(1, 1), (0, 1), (1, 5), (0, 5), (1, 6), (0, 6),
                           (2, 1), (1, 7), (0, 7)]
    assert s.out(bend) == [(0, 8193), (1, 1), (0, 8194)]


@pytest.mark.platforms
def test_bend_scaling_and_running_status():
    data = [224, 0, 64, 127, 127, 0, 0, 1, 0]
    assert stream("bend.in", 2, data) == [
        (1, 1), (0, 0), (1, 1), (0, 1), (1, 1), (0, -1), (1, 1), (0, -1)]
    assert [v for o, v in stream("bend.in -raw", 2, data) if o == 0] == [8192, 16383, 0, 1]
    # Another status ends it; floats from 256 up end it too.
    assert stream("bend.in", 2, [224, 0, 144, 64, 224, 0, 256, 64]) == []


def test_programs():
    # One program per status byte, also when the channel does not match.
    assert stream("pgm.in", 2, [192, 5, 6, 144, 7]) == [(1, 1), (0, 5)]
    s = Streams()
    three = s.add("pgm.in 3", 2)
    s.feed(three, [194, 9, 192, 8, (1, 1), 4, (1, 0), 192, 7, -1, 6])
    top = s.add("pgm.in 99", 2)
    s.feed(top, [207, 1, 206, 2])
    s.run()
    assert s.out(three) == [(0, 9), (1, 1), (0, 7)]
    assert s.out(top) == [(0, 1)]


def test_aftertouch_channel_and_poly():
    assert stream("touch.in", 2, [208, 50, 51]) == [(1, 1), (0, 50), (1, 1), (0, 51)]
    assert stream("touch.in 2", 2, [208, 50, 209, 51]) == [(0, 51)]
    # Omni sends the channel at the key byte and again at the value; one
    # key/value pair per status byte. "-poly" takes channel pressure too.
    assert stream("touch.in -poly", 3, [161, 60, 70, 61, 71, 208, 62, 72]) == [
        (2, 2), (2, 2), (1, 60), (0, 70), (2, 1), (2, 1), (1, 62), (0, 72)]
    assert stream("touch.in 1 -poly", 3, [160, 60, 70, 161, 1, 2]) == [(1, 60), (0, 70)]


def test_improper_args_and_flags_anywhere():
    s = Streams()
    for text in ("note.in -rel 2", "note.in 2 -rel", "bend.out -raw 3", "touch.in 4 -poly 5",
                 "pgm.in 4", "panic", "ctl.out 1 2"):
        s.add(text, 0)
    bad = ["ctl.in foo", "ctl.out -rel", "pgm.out x", "note.in -raw", "note.out -poly",
           "bend.in -rel", "bend.out bar", "touch.in -raw", "touch.out -rel"]
    for text in bad:
        s.add(text, 0)
    r = s.run()
    assert len(r.failed_to_create()) == len(bad)
    assert [e for e in r.errors if "improper" in e] == [
        "[ctlin]: improper args", "[ctlout]: improper args", "[pgmout]: improper args",
        "[notein]: improper args", "[noteout]: improper args", "[bendin]: improper args",
        "[bendout]: improper args", "[touchin]: improper args", "[touchout]: improper args"]
