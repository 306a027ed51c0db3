"""tempo~, sequencer~ and susloop~ in pd: tick times and swing, steps, loop positions, status."""
import math

import pytest
from test_envelopes import status_blocks
from vpd import Patch, f32

SR = 44100
BLOCK = 64
M = 0xFFFFFFFF


def run(box, blocks, events=(), sources=()):
    """Runs one box with signal sources ("sig~ 0" into inlet k, for each (k, text)) and
    events (block, message, target): target None is the box, k the source into inlet k."""
    p = Patch()
    x = p.obj(box)
    p.probe_signal(x)
    if box.startswith("susloop~"):
        p.probe(x, 1)
    src = {}
    for inlet, text in sources:
        src[inlet] = p.obj(text)
        p.connect(src[inlet], 0, x, inlet)
    for at, msg, target in events:
        p.send(x if target is None else src[target], msg, at_block=at)
    r = p.run(blocks=blocks)
    assert r.errors == [] and r.failed_to_create() == []
    return r, x


# ---- tempo~ ------------------------------------------------------------------

def lcg_value(v):
    return f32((v & 0x7FFFFFFF) - 0x40000000) * 2.0 ** -30


def tempo_ticks(n, tempo, unit="bpm", swing=0.0, div=1.0, word=74599 * 1319 & M):
    """The ticks of a tempo~ whose gate opens at sample 0, the first of its class."""
    scale, dev, phase, ticks = div * (1.0 / SR), 1.0, 1.0, []
    for i in range(n):
        t = dev * tempo
        rate = {"bpm": t * 0.016666666666666666, "ms": 1000.0 / t if t else math.inf,
                "hz": t}[unit]
        inc = min(scale * rate, 1.0)
        tick = i == 0 or phase >= 1
        phase = inc if i == 0 else phase - 1 + inc if tick else phase + inc
        if tick:
            ticks.append(i)
            dev = f32(math.exp(math.log(1 + swing * 0.01) * lcg_value(word)))
            word = (word * 435898247 + 382842987) & M
    return ticks


def ticks_of(samples):
    assert set(samples) <= {0.0, 1.0}
    return [i for i, v in enumerate(samples) if v]


@pytest.mark.parametrize("box,messages,model", [
    ("tempo~ 120 -on", [], dict(tempo=120)),
    ("tempo~ 500 -ms -on", [], dict(tempo=500, unit="ms")),
    ("tempo~ -hz 2 -on", [], dict(tempo=2, unit="hz")),
    ("tempo~ 60 -on -div 2", [], dict(tempo=60, div=2)),
    ("tempo~ 120 -on", ["div 0.5"], dict(tempo=120)),
    ("tempo~ 1 -hz -on", ["bpm 240"], dict(tempo=240)),
    ("tempo~ 240 -hz -on", ["bpm"], dict(tempo=240)),
    ("tempo~ 10 -on", ["ms 250 0"], dict(tempo=250, unit="ms")),
    ("tempo~ 5 50 -on", ["hz 4 0"], dict(tempo=4, unit="hz")),
    ("tempo~ 1000 30 -on", [], dict(tempo=1000, swing=30)),
    ("tempo~ 1 -hz -on", ["bpm 3000 50"], dict(tempo=3000, swing=50)),
])
def test_ticks_at_the_tempo_within_the_swing(box, messages, model):
    n = 760 * BLOCK
    r, x = run(box, n // BLOCK, [(0, m, None) for m in messages])
    ticks = ticks_of(r.samples(x))
    assert ticks == tempo_ticks(n, **model)
    # Each period lies within the swing of the nominal one.
    plain = tempo_ticks(n, **{**model, "swing": 0})
    nominal, s = plain[1] - plain[0], 1 + model.get("swing", 0) / 100
    gaps = [b - a for a, b in zip(ticks, ticks[1:])]
    assert all(nominal / s - 1 <= g <= nominal * s + 1 for g in gaps) and len(gaps) >= 2
    assert (len(set(gaps)) > 2) == ("swing" in model)


def test_gate_signal_that_never_rests_ticks_as_a_scalar_gate():
    n = 760 * BLOCK
    r, x = run("tempo~ 0 30", n // BLOCK, sources=[(0, "noise~"), (1, "sig~ 1000")])
    assert ticks_of(r.samples(x)) == tempo_ticks(n, 1000, swing=30)


@pytest.mark.platforms
def test_seed_counter_and_first_ticks_pinned():
    # Two clocks: the second takes the counter's next word.
    p = Patch()
    a, b = p.obj("tempo~ 6000 40 -on"), p.obj("tempo~ 6000 40 -on")
    p.probe_signal(a), p.probe_signal(b)
    r = p.run(blocks=60)
    n = 60 * BLOCK
    assert ticks_of(r.samples(a)) == tempo_ticks(n, 6000, swing=40)
    assert ticks_of(r.samples(b)) == tempo_ticks(n, 6000, swing=40, word=74599 * 1319 ** 2 & M)


def test_zero_tempo_ticks_only_at_openings_syncs_and_bangs():
    # Gate opens at block 1, sync onset at 3, bang at 5, gate shut at 6 and
    # opened again at 7.
    events = [(1, "1", None), (3, "1", 3), (4, "0", 3), (5, "bang", None), (6, "0", None),
              (7, "1", None)]
    r, x = run("tempo~ 0 -hz", 9, events, sources=[(3, "sig~ 0")])
    assert ticks_of(r.samples(x)) == [64, 192, 320, 448]
    # In milliseconds a tempo of 0 is an infinite rate: every sample ticks.
    r, x = run("tempo~ 0 -ms -on", 2)
    assert r.samples(x) == [1.0] * 128


def test_unusable_tempo_and_swing_leave_the_clock_running():
    # An infinite tempo ticks every sample; an infinite swing, a subdivision
    # times a zero rate give no NaN: the clock goes on at the tempo after them.
    events = [(1, "bpm 1e+39", None), (2, "bpm 120 1e+39", None), (3, "div 1e+39", None),
              (4, "bpm 0", None), (5, "div 1", None), (5, "bpm 120", None)]
    r, x = run("tempo~ 120 -on", 700, events)
    ticks = ticks_of(r.samples(x))
    assert ticks[:129] == [0] + list(range(65, 129)) + list(range(193, 257))
    gaps = [b - a for a, b in zip(ticks[128:], ticks[129:])]
    assert len(gaps) >= 2 and set(gaps[1:]) <= {22050, 22051}


# ---- sequencer~ --------------------------------------------------------------

def steps(box, blocks, events):
    """The value held at the start of each block; triggers come from a sig~."""
    r, x = run(box, blocks, events, sources=[(0, "sig~ 0")])
    s = r.samples(x)
    return [s[k * BLOCK] for k in range(blocks)]


def pulses(blocks):
    """An onset at the start of every other block."""
    return [(k, "1" if k % 2 == 0 else "0", 0) for k in range(blocks)]


@pytest.mark.parametrize("box,extra,want", [
    ("sequencer~ 1 2 3", [], [1, 2, 3, 1, 2]),
    ("sequencer~ 1 2 3", [(2, "goto 3", None)], [1, 3, 1, 2, 3]),
    ("sequencer~ 1 2 3", [(4, "goto 0", None)], [1, 2, 1, 2, 3]),
    ("sequencer~ 1 2 3", [(2, "goto 99", None)], [1, 3, 1, 2, 3]),
    ("sequencer~ 1 2 3", [(2, "set", None)], [1, 2, 3, 1, 2]),
    ("sequencer~ 1 2 3", [(2, "set 7 8", None)], [1, 7, 8, 7, 8]),
    ("sequencer~ 1 x 3", [], [1, 0, 3, 1, 0]),
    ("sequencer~", [], [0] * 5),
])
def test_steps_cycle(box, extra, want):
    got = steps(box, 10, pulses(10) + extra)
    assert got[::2] == want and got[1::2] == want  # held between triggers


def test_constant_input_steps_once_and_bang_steps():
    got = steps("sequencer~ 1 2 3", 4, [(0, "1", 0), (2, "bang", None), (3, "bang", None)])
    assert got == [1, 1, 2, 3]


def test_long_list_is_kept_whole():
    # Longer than the table made at creation: nothing is cut.
    values = " ".join(str(k) for k in range(5000))
    events = [(0, "set " + values, None), (0, "goto 5000", None), (3, "goto 4097", None)]
    assert steps("sequencer~ 1", 6, pulses(6) + events) == [4999, 4999, 0, 0, 4096, 4096]
    big = steps("sequencer~ " + values, 4, pulses(4) + [(0, "goto 4500", None)])
    assert big == [4499, 4499, 4500, 4500]


# ---- susloop~ ----------------------------------------------------------------

def loop_positions(start, lo, hi, count, step=1):
    """Positions from start, wrapped into the loop lo..hi, moving by step."""
    out, p = [], start
    for _ in range(count):
        out.append(p)
        p += step
        if step > 0 and p > hi:
            p -= hi - lo
        if step < 0 and p < lo:
            p += hi - lo
    return out


@pytest.mark.platforms
def test_loop_while_held_then_release_to_the_end():
    r, x = run("susloop~ 1 1000 2000 5000", 120, [(0, "bang", None), (47, "0", None)])
    s = r.samples(x)
    held = loop_positions(0, 1000, 2000, 47 * BLOCK)
    assert s[:len(held)] == held and held[2000:2002] == [2000, 1001]
    p = held[-1] + 1
    tail = list(range(p, 5001)) + [0] * (120 * BLOCK - len(held) - (5001 - p))
    assert s[len(held):] == tail
    end = len(held) + 5001 - p  # the sample that outputs 0
    assert status_blocks(r, x) == [(1.0, -1), (0.0, end // BLOCK)]


@pytest.mark.parametrize("box,want", [
    ("susloop~ 1 100 50 200", loop_positions(0, 50, 100, 256)),  # bounds swapped
    ("susloop~ 1 50 100 80", loop_positions(0, 50, 80, 256)),  # end lowered to the size
    ("susloop~ -1 10 20 50", loop_positions(50, 10, 20, 256, -1)),  # from the end, down
    ("susloop~ 2 30 30 100", [30] * 256),  # a loop of one point holds it
])
def test_loop_regions(box, want):
    r, x = run(box, 4, [(0, "bang", None)])
    assert r.samples(x) == want


def test_without_loop_plays_to_the_end_and_reports_it():
    # No loop region: the end sends 0, so that the next start sends 1 again.
    r, x = run("susloop~ 1 0 100 100", 6, [(0, "bang", None), (3, "1", None)])
    s = r.samples(x)
    assert s[:103] == list(range(101)) + [0, 0] and s[192:194] == [0, 1]
    assert status_blocks(r, x) == [(1.0, -1), (0.0, 1), (1.0, 2), (0.0, 4)]
    r, x = run("susloop~ -2 0 100 100", 2, [(0, "bang", None)])
    assert r.samples(x)[:53] == list(range(100, -1, -2)) + [100, 100]


def test_trigger_signal_starts_releases_and_reports_after_the_block():
    events = [(1, "1", 0), (2, "0", 0)]
    r, x = run("susloop~ 1 10 20 30", 4, events, sources=[(0, "sig~ 0")])
    s = r.samples(x)
    assert s[:64] == [0] * 64  # idle
    assert s[64:128] == loop_positions(0, 10, 20, 64)
    tail = list(range(int(s[127]) + 1, 31)) + [0]
    assert s[128:128 + len(tail)] == tail and s[-1] == 0
    assert status_blocks(r, x) == [(1.0, 1), (0.0, 2)]
    # A trigger that never rests starts once.
    r, x = run("susloop~ 1 10 20 30", 4, sources=[(0, "noise~")])
    assert r.samples(x) == loop_positions(0, 10, 20, 256)
    assert status_blocks(r, x) == [(1.0, 0)]


def test_pause_continue_stop():
    events = [(0, "bang", None), (1, "pause", None), (2, "pause", None), (3, "continue", None),
              (4, "stop", None), (5, "continue", None)]
    r, x = run("susloop~ 1 1000 2000 5000", 6, events)
    s = r.samples(x)
    assert s[64:192] == [64.0] * 128 and s[192:256] == list(range(64, 128))
    assert s[256:] == [0] * 128
    assert status_blocks(r, x) == [(1.0, -1), (0.0, 3)]


def test_loop_and_size_messages():
    events = [(0, "loop 0 50", None), (0, "loop 20 -5", None), (0, "size 0", None),
              (0, "size 1e+39", None), (0, "bang", None), (1, "loop 40 20", None),
              (2, "size 30", None)]
    r, x = run("susloop~ 1 10 20 100", 3, events)
    # Block 1 goes on from 14 up into 20..40; block 2 wraps 38 into 20..30.
    assert r.samples(x) == (loop_positions(0, 10, 20, 64) + loop_positions(14, 20, 40, 64)
                            + loop_positions(28, 20, 30, 64))


def test_non_finite_speed_leaves_no_nan():
    # Block 1: infinite speed; block 2: NaN (infinity times 0); block 3: speed 1.
    p = Patch()
    x = p.obj("susloop~ 1 10 20 100")
    speed, times = p.obj("sig~ 1"), p.obj("*~ 1")
    p.connect(speed, 0, times), p.connect(times, 0, x, 1), p.probe_signal(x)
    p.send(x, "bang", at_block=0)
    for at, target, msg in ((1, speed, "1e+39"), (2, times, "0"), (3, speed, "1"),
                            (3, times, "1")):
        p.send(target, msg, inlet=1 if target is times else 0, at_block=at)
    s = p.run(blocks=4).samples(x)
    assert all(math.isfinite(v) for v in s) and all(10 <= v < 20 for v in s[65:128])
    assert len(set(s[128:192])) == 1  # held where the last step left it
    assert s[192:] == loop_positions(s[192], 10, 20, 64) and 10 <= s[192] <= 20


# ---- creation ---------------------------------------------------------------

@pytest.mark.parametrize("box,error", [
    ("tempo~ 120 10 99 -on -ms -hz -div 2", None), ("tempo~ -div 0", None),
    ("tempo~ -div", "tempo~: improper args"), ("tempo~ -div x", "tempo~: improper args"),
    ("tempo~ -off", "tempo~: improper args"), ("susloop~ 1 2 3 4 5 6", None),
    ("susloop~ 1 x", "susloop~: improper args"),
])
def test_creation_arguments(box, error):
    p = Patch()
    p.obj(box)
    r = p.run()
    assert r.errors == ([error] if error else []) and bool(r.failed_to_create()) == bool(error)
