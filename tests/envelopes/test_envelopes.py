"""adsr~ and asr~ in pd: segment lengths in samples, gates, retrigger, log mode, status."""
import math

import pytest
from vpd import Patch, f32

SPMS = f32(44100 * 0.001)


def status_blocks(r, box):
    """(value, block) for each status message: the block after which it arrived."""
    out, lines_seen = [], 0
    name = f"probe b{box.index}o1: float "
    for line in r.lines:
        if line.startswith("probe~ "):
            lines_seen += 1
        elif line.startswith(name):
            out.append((float(line[len(name):]), lines_seen // 4 - 1))
    return out


def envelope(text, blocks, events, gate_signal=None, sr=44100):
    p = Patch(sr=sr)
    e = p.obj(text)
    p.probe_signal(e)
    p.probe(e, 1)
    if gate_signal is not None:
        s = p.obj(f"sig~ {gate_signal}")
        p.connect(s, 0, e, 0)
    for at, msg in events:
        p.send(s if msg.startswith("sig ") else e, msg.removeprefix("sig "), at_block=at)
    r = p.run(blocks=blocks)
    assert r.errors == []
    return r, e


@pytest.mark.parametrize("on", ["1", "bang"])  # a fresh bang is a gate of 1
def test_all_times_zero_one_sample_each(on):
    r, e = envelope("adsr~", 3, [(0, on), (2, "0")])
    s = r.samples(e)
    assert s[0] == 1 and s[1:128] == [0.0] * 127
    assert s[128:] == [0.0] * 64
    # 1 at once (before any sample), 0 after the block in which the release ended.
    assert status_blocks(r, e) == [(1.0, -1), (0.0, 2)]


@pytest.mark.platforms
def test_adsr_linear_segment_lengths():
    # 10 ms attack = 441 samples, 20 ms decay = 882, 100 ms release = 4410.
    r, e = envelope("adsr~ 10 20 0.5 100", 100, [(0, "1"), (30, "0")])
    s = r.samples(e)
    assert s[0] == pytest.approx(1 / 441, rel=1e-6)
    assert max(s) == s[440] == pytest.approx(1, abs=1e-5)
    assert s[441] < s[440]
    assert s[441 + 881] == pytest.approx(0.5, abs=1e-5)
    assert s[441 + 882:1920] == [0.5] * (1920 - 1323)
    rel = s[1920:]
    assert rel[0] == pytest.approx(0.5 - 0.5 / 4410, rel=1e-6)
    assert rel[4409] == pytest.approx(0, abs=1e-4) and rel[4410:] == [0.0] * (len(rel) - 4410)
    # The release's 4410 samples run out in block 30 + 68; the 0 follows that block.
    assert status_blocks(r, e) == [(1.0, -1), (0.0, (1920 + 4410) // 64)]


def test_times_round_half_away_from_zero():
    # At 48 kHz, 0.03125 ms is 1.5 samples: rounds to 2; 1.49 samples to 1.
    r, e = envelope("asr~ 0.03125", 1, [(0, "1")], sr=48000)
    assert r.samples(e)[:3] == [0.5, 1.0, 1.0]
    r, e = envelope(f"asr~ {1.49 / 48}", 1, [(0, "1")], sr=48000)
    assert r.samples(e)[:2] == [1.0, 1.0]


@pytest.mark.parametrize("box", ["asr~ 5", "adsr~ 5 0 1 0"])
def test_times_round_the_single_precision_product(box):
    # 5 ms at 44.1 kHz: 5 x 44.1 is 220.5 in single precision, so 221 samples.
    r, e = envelope(box, 4, [(0, "1")])
    assert r.samples(e)[0] == pytest.approx(1 / 221, rel=1e-6)


@pytest.mark.parametrize("at", [3, 12, 40])  # during attack, decay, release
def test_retrigger_starts_from_the_current_level(at):
    r, e = envelope("adsr~ 10 20 0.5 100", 50, [(0, "1"), (20, "0"), (at, "0.8")])
    s = r.samples(e)
    i = at * 64
    before = s[i - 1]
    assert s[i] == pytest.approx(before + (0.8 - before) / 441, rel=1e-5)
    assert s[i + 440] == pytest.approx(0.8, abs=1e-4)
    assert [v for v, _ in status_blocks(r, e)] == [1.0]  # still active: no second 1
    if at == 40:
        # The release ended at block 20: the gate that follows is a fresh onset.
        assert status_blocks(r, e)[0] == (1.0, -1)


def test_release_then_new_note_sends_status_again():
    r, e = envelope("adsr~ 1 1 1 1", 8, [(0, "1"), (2, "0"), (4, "bang")])
    assert status_blocks(r, e) == [(1.0, -1), (0.0, 2), (1.0, 3)]
    assert r.samples(e)[256 + 88:384] == [1.0] * 40


def test_negative_gate_gives_a_negative_envelope():
    r, e = envelope("adsr~ 1 1 0.5 1", 3, [(0, "-2")])
    s = r.samples(e)
    assert min(s) == pytest.approx(-2, abs=1e-5)
    assert s[-1] == -1.0
    assert status_blocks(r, e) == [(1.0, -1)]


def test_signal_gate_sets_the_peak_once_and_reports_after_the_block():
    r, e = envelope("adsr~ 1 1 1 1", 6, [(1, "sig 0.5"), (3, "sig 0.9"), (4, "sig 0")],
                    gate_signal=0)
    s = r.samples(e)
    assert s[:64] == [0.0] * 64
    assert s[128 + 100:256] == [0.5] * 28
    assert s[192:256] == [0.5] * 64  # a level change while on keeps the peak
    assert s[300:] == [0.0] * (len(s) - 300)
    assert status_blocks(r, e) == [(1.0, 1), (0.0, 4)]


@pytest.mark.parametrize("text", ["asr~", "adsr~ 0 0 1 0"])
def test_float_gate_sets_the_peak_over_a_signal_gate_at_the_same_onset(text):
    r, e = envelope(text, 2, [(1, "sig 0.5"), (1, "1")], gate_signal=0)
    assert r.samples(e)[64:] == [1.0] * 64


@pytest.mark.platforms
def test_log_mode_shapes_and_ends():
    r, e = envelope("adsr~ 10 10 0.5 10 -log", 40, [(0, "1"), (20, "0"), (38, "1")])
    s = r.samples(e)
    c = math.exp(-6.907755278982137 / 441)
    level = 0.0
    for i in range(441):
        level = f32(1 + (level - 1) * c)
        assert s[i] == level
    assert s[440] == pytest.approx(0.999, abs=1e-4)
    assert s[441 + 440] == pytest.approx(0.5 + 0.499 * 0.001, abs=1e-4)
    rel = s[1280:]
    assert rel[440] == pytest.approx(0.0005, rel=1e-3)
    # The release ends at -120 dB: status 0, silence, and the next note reports 1 again.
    end = next(i for i, v in enumerate(rel) if v == 0)
    assert 0.5 * c ** (end + 1) < 1e-6 <= 0.5 * c ** end * 1.0001
    assert [v for v, _ in status_blocks(r, e)] == [1.0, 0.0, 1.0]
    assert status_blocks(r, e)[2][1] == 37


def test_log_message_switches_mode():
    r, e = envelope("adsr~ 10 0 1 0", 2, [(0, "log 1"), (0, "1")])
    assert r.samples(e)[0] == f32(1 - math.exp(-6.907755278982137 / 441))


def test_asr_stores_new_levels_without_retrigger():
    r, e = envelope("asr~ 1 1", 8, [(0, "0.5"), (2, "1"), (4, "0"), (5, "0.25")])
    s = r.samples(e)
    assert s[44] == 0.5 and s[128:256] == [0.5] * 128
    assert s[256 + 43] == pytest.approx(0, abs=1e-6) and s[256 + 44] == 0
    assert s[320:320 + 44] == pytest.approx([0.25 * (k + 1) / 44 for k in range(44)], rel=1e-5)
    assert status_blocks(r, e) == [(1.0, -1), (0.0, 4), (1.0, 4)]


def test_asr_log_release_ends():
    r, e = envelope("asr~ 1 1 -log", 10, [(0, "1"), (2, "0"), (6, "1")])
    assert [v for v, _ in status_blocks(r, e)] == [1.0, 0.0, 1.0]


def test_creation_arguments():
    p = Patch()
    for text in ("adsr~ 10 20 0.5 100 -log", "adsr~ -log", "asr~ 1 2 -log", "asr~ 1 2 3 4"):
        p.obj(text)
    r = p.run()
    assert r.failed_to_create() == [] and r.errors == []
    for text, line in (("adsr~ -log 10", "[adsr~]: improper args"),
                       ("adsr~ 1 -lin", "[adsr~]: improper args"),
                       ("asr~ -log -log", "[asr~]: improper args")):
        p = Patch()
        p.obj(text)
        r = p.run()
        assert line in r.errors and r.failed_to_create()


def test_signal_times_and_sustain():
    p = Patch()
    e = p.obj("adsr~")
    p.probe_signal(e)
    for inlet, value in ((1, 1), (2, 1), (3, 0.25), (4, 1)):
        p.connect(p.obj(f"sig~ {value / SPMS if inlet != 3 else value!r}"), 0, e, inlet)
    p.send(e, "1")
    s = p.run(blocks=1).samples(e)
    assert s[:4] == [1.0, 0.25, 0.25, 0.25]
