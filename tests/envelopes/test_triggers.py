"""The trigger classes in pd: every class against its model on mixed input,
then the cases that pin the timing and the counts with plain numbers."""
import math
import random

import pytest
from trigger_model import NAN, model, play
from vpd import Patch

N = NAN


def mixed(seed, count=192, values=(-1, 0, 0, 0, 0.5, 1, 1, 2, -0.25)):
    rng = random.Random(seed)
    return [rng.choice(values) for _ in range(count)]


def pulses(*at, count=192, height=1.0):
    return [height if i in at else 0.0 for i in range(count)]


def same(a, b):
    return len(a) == len(b) and all(x == y or (x != x and y != y) for x, y in zip(a, b))


# box, {inlet: samples or constant}, [(block, message, inlet)]
CASES = [
    ("trig.delay~ 0.1", {0: mixed(1)}, []),
    ("trig.delay~", {0: mixed(2), 1: [0.05 * (i % 7) for i in range(192)]}, []),
    ("trig.delay~ -3", {0: mixed(3)}, []),
    ("trig.delay2~ 0.1", {0: mixed(1)}, []),
    ("trig.delay2~", {0: mixed(2), 1: [0.05 * (i % 7) for i in range(192)]}, []),
    ("timed.gate~ 0.1", {0: mixed(4)}, [(1, "0.25", 0), (2, "ms 0.2", 0)]),
    ("timed.gate~ 0.1 0 1", {0: mixed(4)}, [(1, "bang", 0), (2, "retrigger 0", 0)]),
    ("timed.gate~ 0.2 3", {0: pulses(3, 40, 100)}, [(1, "ms -1", 0), (2, "retrigger 1", 0)]),
    ("timed.gate~", {0: mixed(5), 1: [0.01 * (i % 9) for i in range(192)]}, []),
    ("pulsecount~", {0: mixed(6), 1: pulses(50, 51, 120)}, []),
    ("pulsecount~ 3", {0: mixed(7)}, [(1, "max 0", 0), (2, "max 2", 0)]),
    ("pulsediv~ 3", {0: mixed(8), 1: pulses(100)}, [(1, "div 2.5", 0)]),
    ("pulsediv~ 2 -2", {0: mixed(9), 1: pulses(130)}, [(1, "start -1", 0)]),
    ("pulsediv~ 2", {0: mixed(35)}, [(1, "div 1", 0), (2, "div 4", 0)]),
    ("gate2imp~", {0: mixed(10)}, []),
    ("trighold~", {0: mixed(11)}, []),
    ("toggleff~", {0: mixed(12)}, []),
    ("toggleff~ 1", {0: mixed(13)}, []),
    ("sh~", {0: [i * 0.5 for i in range(192)], 1: mixed(14)}, [(1, "bang", 0), (2, "set 7", 0)]),
    ("sh~ 0.5 3 -tr", {0: [i * 0.5 for i in range(192)], 1: mixed(15)},
     [(1, "gate", 0), (2, "thresh -0.5", 0)]),
    ("sh~ 0 0 1", {0: [-i for i in range(192)], 1: mixed(16)}, [(2, "trigger", 0)]),
    ("sh~ -1", {0: [i * 0.5 for i in range(192)]}, [(1, "set 3", 0), (2, "thresh 1", 0)]),
    ("sh~ 0 5 -tr", {0: [i * 0.5 for i in range(192)], 1: 1}, [(1, "bang", 0), (2, "gate", 0)]),
    ("schmitt~ -0.5 0.5", {0: mixed(17)}, []),
    ("schmitt~", {0: mixed(18), 1: mixed(19), 2: mixed(20)}, []),
    ("zerocross~", {0: mixed(21)}, []),
    ("changed~", {0: mixed(22)}, []),
    ("changed~ 0.75", {0: mixed(23), 1: [[-1, 0, 1.5][i % 3] for i in range(192)]}, []),
    ("changed2~", {0: mixed(24)}, []),
    ("detect~", {0: mixed(25)}, []),
    ("detect~ ms", {0: mixed(26)}, []),
    ("detect~ hz", {0: mixed(36)}, []),
    ("detect~ bpm", {0: mixed(37)}, []),
    ("status~", {0: mixed(27)}, []),
    ("status~ 1", {0: mixed(28)}, []),
    ("lastvalue~ 2", {0: mixed(29)}, []),
    ("above~ 0.5", {0: mixed(30)}, [(1, "-1", 1)]),
    ("above~", {0: mixed(31), 1: mixed(32)}, []),
    ("range~", {0: mixed(33, values=range(-9, 10)), 1: pulses(70)}, [(2, "reset", 0)]),
    # NaN: never a trigger or a rise, an onset after a 0; a NaN held goes at
    # the next trigger; range~ empties rather than holding a NaN.
    ("trig.delay~", {0: [0, N, 1, N, 0], 1: [0, N, N, N, 0]}, []),
    ("timed.gate~ 0.05", {0: [0, N, 0, 0, 0, 0, 1, 0] * 10}, []),
    ("pulsecount~", {0: [0, 1, N, 1, 0, N, 0, 1]}, []),
    ("pulsediv~ 2", {0: [0, 1, N, 1, 0, N, 0, 1] * 4}, [(1, "start 1e39", 0)]),
    ("trighold~", {0: [0, N, N, 0, 4]}, []),
    ("sh~", {0: [1, N, 3, 4, 5, 6], 1: [1, 1, 0, 1, 0, 0]}, []),
    ("schmitt~ 0 1", {0: [2, N, 0.5, 2]}, []),
    ("zerocross~", {0: [1, -1, N, 1, N, -1]}, []),
    ("changed~", {0: [1, N, N, 1]}, []),
    ("changed2~", {0: [1, N, 2, 3]}, []),
    ("detect~ hz", {0: [0, 1, N, 1, 0, 1, N, -1, 1]}, []),
    ("status~", {0: [0, N, 0]}, []),
    ("lastvalue~", {0: [1, N, 2, 2, N, N]}, []),
    ("above~ 0", {0: [1, N, -1, N, 1]}, []),
    ("range~", {0: [3, N, 2, 5, N, 1], 1: [0, 1, 0, 0, 0, 0]}, []),
    ("changed~", {0: mixed(34), 1: [0, N, N, 0]}, []),
]


@pytest.mark.parametrize("text,inputs,events", CASES)
def test_follows_the_model(text, inputs, events):
    got = play(text, inputs, events, blocks=3)
    want = model(text, inputs, events, blocks=3)
    for k, (g, w) in enumerate(zip(got, want)):
        assert same(g, w), (k, [(i, a, b) for i, (a, b) in enumerate(zip(g, w)) if not same([a], [b])][:5])


def ones(samples):
    return [i for i, v in enumerate(samples) if v == 1]


@pytest.mark.platforms
def test_delays_count_whole_samples():
    assert ones(play("trig.delay~", {0: pulses(5)})[0]) == [5]  # 0 ms: passed through
    assert ones(play("trig.delay~", {0: pulses(5, height=0.999)})[0]) == []
    # 10 ms at 44.1 kHz is 441 samples; a second trigger moves the output, or is ignored.
    t = {0: pulses(0, 100, count=640)}
    assert ones(play("trig.delay~ 10", t, blocks=10)[0]) == [541]
    assert ones(play("trig.delay2~ 10", t, blocks=10)[0]) == [441]
    # 5 ms at 44.1 kHz is 220.5 samples in single precision: 221.
    assert ones(play("trig.delay2~ 5", {0: pulses(0)}, blocks=4)[0]) == [221]


def test_timed_gate_opens_after_the_onset_at_its_level():
    (s,) = play("timed.gate~ 0.1", {0: pulses(3, height=0.5)})
    assert s[:4] == [0.0] * 4 and s[4:8] == [0.5] * 4 and s[9] == 0  # 4.41 samples: 4
    (s,) = play("timed.gate~", {0: pulses(3, 9)})  # 0 ms: never open
    assert s == [0.0] * 128


def test_counters_and_dividers():
    (s,) = play("pulsecount~ 4", {0: pulses(*range(0, 120, 10)[1:])})
    assert [s[i] for i in range(10, 120, 10)] == [1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3]
    (s,) = play("pulsecount~", {0: pulses(10, 20, 30), 1: pulses(30)})  # a reset with a rise
    assert s[30] == 1
    rises = list(range(2, 128, 4))
    (s,) = play("pulsediv~ 3", {0: pulses(*rises)})
    assert ones(s) == rises[0::3]
    (s,) = play("pulsediv~ 3 -1", {0: pulses(*rises)})  # one rise held back
    assert ones(s) == rises[1::3]
    # The argument 1 counts the first rise as 1; the message "start 1" as 2.
    (s,) = play("pulsediv~ 3 1", {0: pulses(*rises), 1: pulses(64)}, [(1, "start 1", 0)])
    assert ones(s) == [10, 22, 34, 46, 58, 70, 82, 94, 106, 118]


def test_toggleff_argument_starts_on():
    (s,) = play("toggleff~ 1", {})
    assert s[0] == 1 and s[1:] == [1.0] * 127


def test_sample_and_hold_modes():
    ramp = [float(i) for i in range(128)]
    gate = [1.0 if 10 <= i < 20 else 0.0 for i in range(128)]
    (s,) = play("sh~", {0: ramp, 1: gate})
    assert s[9] == 0 and s[10:20] == ramp[10:20] and s[20:64] == [19.0] * 44
    (s,) = play("sh~ 0 5 -tr", {0: ramp, 1: gate}, [(1, "bang", 0)])
    assert s[9] == 5 and s[10:64] == [10.0] * 54 and s[64:] == [64.0] * 64
    (s,) = play("sh~ -tr 0.5", {0: ramp, 1: gate})  # "-tr" before the numbers
    assert s[10] == 10


def test_schmitt_hysteresis_follows_signal_thresholds():
    x = [0, 0.6, 0.3, 0.1, 0.6, 0.3, 0.3, 0.1]
    (s,) = play("schmitt~", {0: x, 1: [0.2] * 4 + [0.4] * 4, 2: 0.5})
    assert s[:8] == [0, 1, 1, 0, 1, 0, 0, 0]


@pytest.mark.platforms
def test_zerocross_on_a_sine():
    p = Patch()
    osc = p.obj("osc~ 441")  # 100 samples a period, starting at 1
    z = p.obj("zerocross~")
    p.connect(osc, 0, z)
    for k in range(3):
        p.probe_signal(z, k)
    r = p.run(blocks=10)
    up, down, anyway = (r.samples(z, k) for k in range(3))
    # One impulse per half period, each outlet every 100 samples; the first
    # sample (1 after the 0 a new box starts from) is no crossing.
    assert up[0] == 0 and len(ones(up)) == 6 and len(ones(down)) == 7
    assert ones(anyway) == sorted(ones(up) + ones(down))
    for marks in (ones(up), ones(down)):
        assert all(99 <= b - a <= 101 for a, b in zip(marks, marks[1:]))


def test_changed2_on_a_ramp():
    changes, directions = play("changed2~", {0: [0.1 * (i + 1) for i in range(128)]})
    assert changes == [1.0] + [0.0] * 127 and directions == [1.0] * 128


@pytest.mark.parametrize("unit,want", [("", 100), ("samps", 100), ("ms", 100000 / 44100),
                                       ("hz", 441), ("bpm", 26460)])
def test_detect_units(unit, want):
    (s,) = play(f"detect~ {unit}", {0: [1.0 if i % 100 == 50 else 0.0 for i in range(320)]},
                blocks=5)
    assert s[:50] == [0.0] * 50  # no rise yet: 0 in every unit
    assert s[150:] == [pytest.approx(want, rel=1e-7)] * 170


def test_rate_units_give_0_before_a_period():
    for unit in ("hz", "bpm"):
        assert play(f"detect~ {unit}", {})[0] == [0.0] * 128


@pytest.mark.parametrize("text,line", [
    ("detect~ 3", "[detect~]: improper args"), ("detect~ hz ms", "[detect~]: improper args"),
    ("detect~ sec", "[detect~]: improper args"), ("sh~ 0 -gate", "sh~: improper args"),
    ("schmitt~ 0 1 x", "schmitt~: improper args")])
def test_refused_arguments(text, line):
    p = Patch()
    p.obj(text)
    r = p.run()
    assert line in r.errors and r.failed_to_create()


def test_value_trackers_and_resets():
    on, off = play("status~", {0: [0, 2, 2, 0, -1]})
    assert ones(on)[:2] == [1, 4] and ones(off) == [3]
    (s,) = play("lastvalue~ 9", {0: [9, 9, 3, 3, 5]})
    assert s[:5] == [0, 0, 9, 9, 3]
    up, down = play("above~ 1", {0: [0, 2, 1, 1.5, 0.5]})
    assert ones(up) == [1, 3] and ones(down) == [2, 4]
    lo, hi = play("range~", {0: [4, -2, 7, 1, 3, 0] + [0] * 122}, [(1, "reset", 0)])
    assert lo[:6] == [4, -2, -2, -2, -2, -2] and hi[:6] == [4, 4, 7, 7, 7, 7]
    assert lo[64:] == [0.0] * 64 and hi[64:] == [0.0] * 64
    lo, hi = play("range~", {0: [4, -2, 7, 1], 1: [0, 0, 1, 0]})
    assert lo[:4] == [4, -2, 7, 1] and hi[:4] == [4, 4, 7, 7]
