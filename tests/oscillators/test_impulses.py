"""The impulse trains in pd: impulse~ and pimp~ (with imp~), impulse2~ (with imp2~).

At 65536 Hz a frequency of 8192 Hz steps the phase by exactly 1/8, so every
expected sample can be written down.
"""
import pytest
from vpd import Patch

SR = 65536
EIGHT = [1] + [0] * 7  # one impulse every 8 samples


def probed(p, box, outlets=(0,)):
    for o in outlets:
        p.probe_signal(box, o)
    return box


TRAINS = {
    "impulse~ 8192": EIGHT * 8,
    "imp~ 8192": EIGHT * 8,
    "impulse~": [1] + [0] * 63,  # 0 Hz: the phase rests at exactly 0 after the first wrap
    "impulse~ 65536": [1] * 64,  # one impulse a sample at the sample rate and above
    "impulse~ 1e9": [1] * 64,
    "impulse~ -16384": [1, 0, 0, 0] * 16,  # backwards: fires as the phase falls through 0
    # the first block's sync of 0 fires at once whatever the phase offset
    "impulse~ 8192 0.25": [1, 0, 0, 0, 0, 0] + ([1] + [0] * 7) * 7 + [1, 0],
    "impulse2~ 8192": [1, 0, 0, 0, 0, -1, 0, 0] * 8,
    "imp2~ 8192 0.25": [1, 0, 0, -1, 0, 0, 0, 0] * 8,
    "impulse2~ -8192": [-1, 0, 0, 0, 1, 0, 0, 0] * 8,
    "impulse2~": [1] + [0] * 63,
    "impulse2~ 8192 1": [1] + [0] * 6 + [-1] + ([1] + [0] * 6 + [-1]) * 7,
}


@pytest.mark.platforms
def test_exact_trains():
    p = Patch(sr=SR)
    boxes = [probed(p, p.obj(t)) for t in TRAINS]
    r = p.run(blocks=1)
    assert r.errors == [] and r.failed_to_create() == []
    for (text, expect), box in zip(TRAINS.items(), boxes):
        assert r.samples(box) == expect, text


@pytest.mark.platforms
def test_pimp_shows_the_phase_beside_the_impulses():
    p = Patch(sr=SR)
    still = probed(p, p.obj("pimp~ 0 0.25"), (0, 1))
    running = probed(p, p.obj("pimp~ -8192"), (0, 1))
    r = p.run(blocks=2)
    assert r.samples(still) == [0.25] * 128
    assert r.samples(still, 1) == [1] + [0] * 127
    assert r.samples(running)[:9] == [1, .875, .75, .625, .5, .375, .25, .125, 1]
    assert r.samples(running, 1)[:9] == [1, 0, 0, 0, 0, 0, 0, 0, 1]


def test_sync_floats_act_once_at_the_next_block():
    p = Patch(sr=SR)
    rest = probed(p, p.obj("pimp~"), (0, 1))
    back = probed(p, p.obj("impulse~ -1"))
    square = probed(p, p.obj("impulse2~ 8192"))
    for block, value in ((1, "0"), (2, "0.5"), (3, "-0.75")):
        p.send(rest, value, inlet=1, at_block=block)
    p.send(back, "0", inlet=1, at_block=1)
    p.send(square, "0.5", inlet=2, at_block=1)
    r = p.run(blocks=4)
    impulses = r.samples(rest, 1)
    # a whole cycle fires at once; 0.5 and -0.75 only move the phase
    assert [i for i, v in enumerate(impulses) if v] == [0, 64]
    assert r.samples(rest)[63:65] == [0, 0] and r.samples(rest)[128:] == [.5] * 64 + [.25] * 64
    assert r.samples(back)[64] == 1  # a backward train sits at its wrap too
    # impulse2~: once at half cycle, then the train runs on from there
    assert r.samples(square)[64:74] == [1, -1, 0, 0, 1, 0, 0, 0, 0, -1]


def sync_step(p, box, inlet, value, at_block=1):
    """A one-sample impulse of `value` into a sync inlet at the start of a block."""
    level = p.obj("sig~ 0")
    step = p.obj("rzero~ 1")
    p.connect(level, 0, step)
    p.connect(step, 0, box, inlet)
    p.send(level, str(value), at_block=at_block)


def test_sync_signal_sets_the_phase_per_sample():
    p = Patch(sr=SR)
    forward = probed(p, p.obj("pimp~ 8192"), (0, 1))
    sync_step(p, forward, 1, 0.5)
    backward = probed(p, p.obj("pimp~ -8192"), (0, 1))
    sync_step(p, backward, 1, 1)
    whole = probed(p, p.obj("impulse~ 8192"), (0,))
    sync_step(p, whole, 1, 1)
    # impulse2~ reads a connected sync signal every sample: held at 0.5 it
    # stays high, and only its first sample is an edge
    held = probed(p, p.obj("impulse2~ 8192"))
    p.connect(p.obj("sig~ 0.5"), 0, held, 2)
    r = p.run(blocks=2)
    # with a signal connected the creation phase still fires the first sample
    assert r.samples(whole)[0] == 1 and r.samples(forward, 1)[0] == 1
    assert r.samples(forward)[64:67] == [.5, .625, .75]
    assert r.samples(forward, 1)[64:69] == [0, 0, 0, 0, 1]
    assert r.samples(backward)[64:67] == [1, .875, .75] and r.samples(backward, 1)[64] == 1
    assert r.samples(whole)[64:73] == EIGHT + [1]  # a sync of 1 is the wrap itself
    assert r.samples(held) == [1] + [0] * 127


def test_phase_offset_moves_the_impulses():
    p = Patch(sr=SR)
    train = probed(p, p.obj("impulse~ 8192"))
    p.send(train, "0.25", inlet=2, at_block=1)
    square = probed(p, p.obj("impulse2~ 8192"))
    p.send(square, "2.25", inlet=3, at_block=1)  # whole cycles dropped
    r = p.run(blocks=2)
    # the wrap due at sample 64 comes with the step; the next one 6 samples on
    assert r.samples(train)[64:72] == [1, 0, 0, 0, 0, 0, 1, 0]
    assert r.samples(square)[64:72] == [1, 0, 0, -1, 0, 0, 1, 0]
