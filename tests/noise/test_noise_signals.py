"""pinknoise~, brown~, gray~ and clipnoise~ in pd, sample for sample against the model."""
import pytest

from vpd import Patch
from noise_model import Pink, Taus, brown, clipnoise, f32, gray

N = 128  # two blocks


def run(texts, blocks=2, sends=(), sr=44100):
    p = Patch(sr=sr)
    boxes = [p.obj(t) for t in texts]
    for b in boxes:
        p.probe_signal(b)
    for index, message, at_block, inlet in sends:
        p.send(boxes[index], message, inlet=inlet, at_block=at_block)
    r = p.run(blocks=blocks)
    assert r.errors == [] and r.failed_to_create() == []
    return r, boxes


@pytest.mark.platforms
def test_worked_values_at_the_outlet():
    # Seed 0 and seed 1 (the first unseeded instance) give the published first values.
    r, (a, b) = run(["brown~ 0", "brown~"], blocks=1)
    assert r.samples(a)[0] == f32(0.7151029109954834 * 0.125)
    assert r.samples(b)[0] == f32(0.6194515228271484 * 0.125)
    assert Taus(1).step() == 0xCF4A31EC


@pytest.mark.parametrize("name,model", [
    ("clipnoise~", clipnoise), ("brown~", brown), ("gray~", gray),
    ("pinknoise~", lambda seed, n: Pink(seed, 11).run(n)),
])
def test_unseeded_instances_count_up_and_arguments_seed(name, model):
    # Per plug-in counter: 1, 2, then 3 (a seeded box in between takes none);
    # a symbol is not a seed. Seeds truncate toward zero, huge ones saturate.
    r, boxes = run([name, name, f"{name} -7.9", f"{name} foo", f"{name} 1e10",
                    f"{name} 2147483647"])
    got = [r.samples(b) for b in boxes]
    assert got[0] == model(1, N)
    assert got[1] == model(2, N)
    assert got[2] == model(-7, N)
    assert got[3] == model(3, N)
    assert got[4] == got[5] == model(2**31 - 1, N)
    assert got[0] != got[1]


@pytest.mark.parametrize("name", ["clipnoise~", "gray~", "pinknoise~"])
def test_number_reseeds_from_scratch(name):
    # Reseeding twice with the same number repeats the same stream.
    r, (a,) = run([f"{name} 9"], blocks=3, sends=[(0, "4.5", 1, 0), (0, "4", 2, 0)])
    s = r.samples(a)
    assert s[64:128] == s[128:192] != s[0:64]
    ref = {"clipnoise~": clipnoise, "gray~": gray,
           "pinknoise~": lambda seed, n: Pink(seed, 11).run(n)}[name](4, 64)
    assert s[64:128] == ref


def test_brown_reseed_keeps_the_walk_and_stays_bounded():
    r, (a,) = run(["brown~ 3"], blocks=40, sends=[(0, "8", 1, 0), (0, "1e39", 2, 0)])
    s = r.samples(a)
    assert s[64:128] == brown(8, 64, s[63])
    assert s[128:192] == brown(2**31 - 1, 64, s[127])  # infinity saturates
    assert all(-1 <= v <= 1 for v in s)
    assert max(s) > 0.9 or min(s) < -0.9  # long enough to meet a wall and reflect


def test_gray_and_clipnoise_ranges_over_many_blocks():
    r, (g, c) = run(["gray~ 5", "clipnoise~ 5"], blocks=8)
    assert r.samples(g) == gray(5, 512)
    assert all(-1 <= v < 1 for v in r.samples(g))
    assert set(r.samples(c)) == {-1.0, 1.0}


@pytest.mark.platforms
@pytest.mark.parametrize("sr,octaves", [(44100, 11), (48000, 11), (96000, 12)])
def test_pinknoise_octaves_follow_the_sample_rate(sr, octaves):
    r, (a,) = run(["pinknoise~ 2"], sr=sr)
    assert r.samples(a) == Pink(2, octaves).run(N)


@pytest.mark.parametrize("arg,octaves", [("0", 0), ("-4", 0), ("5.7", 5), ("31", 31),
                                         ("99", 31), ("1e39", 31)])
def test_pinknoise_octave_argument_is_clamped(arg, octaves):
    r, (a,) = run([f"pinknoise~ 2 {arg}"])
    assert r.samples(a) == Pink(2, octaves).run(N)


def test_pinknoise_oct_message_survives_dsp_restart():
    p = Patch(sr=96000)
    a = p.obj("pinknoise~ 2")
    p.probe_signal(a)
    restart = p.msg("; pd dsp 0; pd dsp 1")
    p.send(a, "oct 5", at_block=1)
    p.send(restart, "bang", at_block=2)
    p.send(a, "3", inlet=1, at_block=3)  # right inlet acts as "oct"
    r = p.run(blocks=4)
    assert r.errors == []
    model = Pink(2, 12)
    assert r.samples(a)[:64] == model.run(64)
    model.count = 5
    model.refill()
    assert r.samples(a)[64:192] == model.run(128)  # not redrawn by the restart
    model.count = 3
    model.refill()
    assert r.samples(a)[192:256] == model.run(64)
