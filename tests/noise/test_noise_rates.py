"""The rate-driven and triggered random signals in pd, sample for sample
against the model: lfnoise~, rampnoise~, stepnoise~, rand.f~, rand.i~, dust~,
dust2~, randpulse~ and randpulse2~."""
import pytest

from vpd import Patch
from noise_model import (M, counter_words, dust, f32, int_lcg_counter, int_part, lcg_step, line,
                         rand_f_signal, rand_i_signal, randpulse, randpulse2,
                         signed)

N = 192  # three blocks
LINE_WORDS = counter_words(234599, 8)  # lfnoise~, rampnoise~, stepnoise~, randpulse2~
IMPULSE_WORDS = counter_words(74599, 8)  # dust~, dust2~, rand.f~


def render(texts, blocks=3, sends=(), sources=()):
    """Samples of each box. `sends`: (box index, message, at block, inlet);
    `sources`: (box text, sends to it, target box index, inlet), each source
    connected to its target and recorded too (returned after the boxes)."""
    p = Patch()
    boxes = [p.obj(t) for t in texts]
    for text, source_sends, target, inlet in sources:
        src = p.obj(text)
        p.connect(src, 0, boxes[target], inlet)
        boxes.append(src)
        for message, at in source_sends:
            p.send(src, message, at_block=at)
    for b in boxes:
        p.probe_signal(b)
    for index, message, at, inlet in sends:
        p.send(boxes[index], message, inlet=inlet, at_block=at)
    r = p.run(blocks=blocks)
    assert r.errors == [] and r.failed_to_create() == []
    return [r.samples(b) for b in boxes]


def steady(value, n=N):
    return [value] * n


# ---- lfnoise~, rampnoise~, stepnoise~ --------------------------------------

@pytest.mark.parametrize("name,ramps", [("lfnoise~", False), ("rampnoise~", True),
                                        ("stepnoise~", False)])
def test_line_first_samples_counter_and_seed(name, ramps):
    # The counter steps on for every box; "seed" restarts the values at the
    # next draw. The first value is the worked one, -0.7118151783943176.
    got = render([f"{name} 3000"] * 3, sends=[(1, "seed 5.9", 1, 0)])
    assert got[0][0] == f32(-0.7118151783943176)
    for k in range(3):
        seeds = [(64, 5.9)] if k == 1 else []
        assert got[k] == line(LINE_WORDS[k], steady(3000), ramps, seeds=seeds), k


def test_lfnoise_arguments_rates_and_interp():
    # A seed argument makes the box's word alone; the counter still steps on.
    texts = ["lfnoise~", "lfnoise~ 3000 1 -7.9", "lfnoise~ 44100", "lfnoise~ 1e6 1",
             "lfnoise~ -2000 1", "lfnoise~ -44100", "lfnoise~ 2000"]
    got = render(texts, sends=[(6, "interp 1", 1, 0)])
    words = [LINE_WORDS[0], (-7 * 1319) & M] + LINE_WORDS[2:]
    for k, (rate, ramps) in enumerate([(0, 0), (3000, 1), (44100, 0), (1e6, 1), (-2000, 1),
                                       (-44100, 0)]):
        assert got[k] == line(words[k], steady(rate), ramps), texts[k]
    assert set(got[0]) == {f32(-0.7118151783943176)}  # frequency 0: one draw, held
    # "interp 1" turns steps into ramps from the next block; the draws go on.
    assert got[6] == (line(words[6], steady(2000), False)[:64] +
                      line(words[6], steady(2000), True)[64:])


def test_lfnoise_sync_at_exactly_one():
    # A sync sample of 1.0 restarts the period there (rising and falling);
    # 0.999 does nothing. [rzero~ 1] turns a step of [sig~] into one sample.
    texts = ["lfnoise~ 2000 1", "lfnoise~ -2000 1", "lfnoise~ 2000 1"]
    sources = [("rzero~ 1", [], k, 1) for k in range(3)]
    sources += [("sig~", [(step, 1)], 3 + k, 0) for k, step in enumerate(["1", "1", "0.999"])]
    got = render(texts, sources=sources)
    for k, rate in enumerate([2000, -2000, 2000]):
        syncs = [0.0] * 64 + [f32(0.999) if k == 2 else 1.0] + [0.0] * 127
        assert got[3 + k] == syncs
        assert got[k] == line(LINE_WORDS[k], steady(rate), True, syncs=syncs), texts[k]
        assert (got[k] == line(LINE_WORDS[k], steady(rate), True)) == (k == 2)


# ---- rand.f~, rand.i~ --------------------------------------------------------

PERIOD = 44100 / 64  # [osc~] with one period per block


def test_rand_f_triggers_bangs_and_seed():
    # A constant positive trigger draws once (the previous sample starts at 0);
    # a sine draws at both zero crossings; a bang draws at the next block's
    # first sample; "seed" takes the word of its integer part.
    texts = ["rand.f~", "rand.f~ 5", "rand.f~ 2 -3", "rand.f~"]
    sources = [("sig~ 1", [], 0, 0), (f"osc~ {PERIOD}", [], 1, 0), (f"osc~ {PERIOD}", [], 2, 0)]
    got = render(texts, sources=sources, sends=[(0, "bang", 1, 0), (3, "seed 9", 2, 0),
                                                (3, "bang", 2, 0), (1, "3.5", 2, 2)])
    trig = got[4:]
    assert got[0] == rand_f_signal(IMPULSE_WORDS[0], trig[0], steady(-1), steady(1), {64})
    assert len(set(got[0])) == 2
    highs = [5] * 128 + [3.5] * 64  # a float to the right inlet from the next block on
    assert got[1] == rand_f_signal(IMPULSE_WORDS[1], trig[1], steady(0), highs)
    assert len(set(got[1])) == 3 * 2 + 1  # two draws per period
    assert got[2] == rand_f_signal(IMPULSE_WORDS[2], trig[2], steady(2), steady(-3))
    assert got[3] == [0.0] * 128 + rand_f_signal(9 * 1319, steady(0, 64), steady(-1, 64),
                                                 steady(1, 64), {0})


def test_rand_i_bounds_counter_and_waiting_bang():
    # Bounds saturate at the 32-bit ends (no overflow); reversed bounds give
    # max+1 ... min-1; min = max + 1 holds min and keeps a bang waiting until
    # the bounds open (here at block 2).
    texts = ["rand.i~ 0 10", "rand.i~ 3 3", "rand.i~ -1e10 1e10", "rand.i~ 10 0", "rand.i~ 4 3"]
    sources = [(f"osc~ {PERIOD * 4}", [], k, 0) for k in range(4)]
    got = render(texts, sources=sources, sends=[(2, "seed 1e39", 1, 0), (4, "bang", 0, 0),
                                                (4, "10", 2, 2)])
    counters = [int_lcg_counter(1489853723)]
    for _ in range(4):
        counters.append(int_lcg_counter(counters[-1]))
    states = [c & 0x7FFFFFFF for c in counters]
    assert states[0] == 0x6D84AB3C
    bounds = [(0, 10), (3, 3), (-1e10, 1e10), (10, 0)]
    for k, (lo, hi) in enumerate(bounds):
        seeds = [(64, 1e39)] if k == 2 else []  # saturates at 2^31 - 1
        assert got[k] == rand_i_signal(states[k], got[5 + k], steady(lo), steady(hi),
                                       seeds=seeds), texts[k]
    assert set(got[1]) == {3.0} and set(got[3]) <= set(map(float, range(1, 10)))
    assert got[4] == rand_i_signal(states[4], steady(0), steady(4), [3] * 128 + [10] * 64, {0})


# ---- dust~, dust2~, randpulse~, randpulse2~ ---------------------------------

@pytest.mark.parametrize("name,bipolar", [("dust~", False), ("dust2~", True)])
def test_dust_densities(name, bipolar):
    # Densities 0 and below make no impulse but still step the word; at the
    # sample rate and above there is never an impulse right after another.
    texts = [f"{name} {d}" for d in ("", "-5", "44100", "1e6", "3000", "foo 9")]
    got = render(texts, blocks=8, sends=[(4, "seed 3", 4, 0)])
    n = 8 * 64
    for k, d in enumerate([0, -5, 44100, 1e6, 3000, 0]):
        seeds = [(256, 3)] if k == 4 else []
        assert got[k] == dust(IMPULSE_WORDS[k], steady(d, n), bipolar, seeds), texts[k]
    assert set(got[0] + got[1] + got[5]) == {0.0}
    for s in got[2:4]:
        assert all(a == 0 or b == 0 for a, b in zip(s, s[1:]))
        assert sum(v != 0 for v in s) > n / 3
    assert all((-1 if bipolar else 0) <= v < 1 for s in got for v in s)


@pytest.mark.parametrize("name", ["dust~", "dust2~"])
def test_dust_signal_density_above_the_rate_never_repeats_an_impulse(name):
    # A density that moves goes sample by sample; above the rate every other
    # sample is an impulse.
    s = render([name], blocks=2, sources=[("vline~", [("1e+06, 2e+06 10", 0)], 0, 0)])[0]
    assert all(a == 0 or b == 0 for a, b in zip(s, s[1:]))
    assert sum(v != 0 for v in s) > len(s) / 3


def pulse_word(counter=None, seed=None):
    """randpulse~'s starting word: one step from the seed or the signed counter
    through single precision."""
    m = int_part(seed) if seed is not None else int_part(f32(signed(counter)))
    return lcg_step(m & M)


def test_randpulse_widths_directions_seed_and_sync():
    # Unseeded words come from the counter through single precision; a seed
    # argument counts only after a leading number; frequencies beyond sr / 2
    # are held there; a sync sample of 1.0 starts a new pulse at once.
    texts = ["randpulse~ 3000", "randpulse~ 3000 0", "randpulse~ 3000 1", "randpulse~ -3000 0.3",
             "randpulse~ 0", "randpulse~ 1e6 0.5 7", "randpulse~ foo 0.1", "randpulse~ 3000"]
    sources = [("rzero~ 1", [], 7, 2), ("sig~", [("1", 1)], 8, 0)]
    got = render(texts, sources=sources, sends=[(0, "seed -2", 2, 0), (2, "0.7", 2, 1)])
    counters = counter_words(234599, 8)
    words = [pulse_word(c) for c in counters]
    words[5] = pulse_word(seed=7)
    rates = [3000, 3000, 3000, -3000, 0, 1e6, 0, 3000]
    widths = [steady(w) for w in (0.5, 0, 1, 0.3, 0.5, 0.5, 0.5, 0.5)]
    widths[2] = [1] * 128 + [f32(0.7)] * 64
    syncs = [None] * 7 + [[0.0] * 64 + [1.0] + [0.0] * 127]
    for k in range(8):
        seeds = [(128, -2)] if k == 0 else []
        assert got[k] == randpulse(words[k], steady(rates[k]), widths[k], syncs[k], seeds), texts[k]
    # Width 0: one sample per period; width 1: all but the period's last.
    assert sum(v != 0 for v in got[1]) == 13 and got[1][0] != 0 == got[1][1]
    assert [i for i, v in enumerate(got[2][:128]) if v == 0] == [14, 29, 44, 58, 73, 88, 102, 117]
    assert got[4] == steady(0.0)


def test_randpulse2_gates():
    # Flag off: gates of 1.0 only; "rand 1" turns on random heights. A seed
    # argument restarts the class's counter from its word.
    texts = ["randpulse2~ 3000", "randpulse2~ 3000 1", "randpulse2~ 0", "randpulse2~ -3000 0 5",
             "randpulse2~", "randpulse2~ 3000"]
    got = render(texts, blocks=6, sends=[(0, "rand 1", 3, 0), (5, "seed 4", 3, 0)])
    n = 6 * 64
    words = counter_words(234599, 3) + [5 * 1319, 5 * 1319 * 1319, 5 * 1319**3 & M]
    rates = [3000, 3000, 0, -3000, 0, 3000]
    for k, flag in enumerate([0, 1, 0, 0, 0, 0]):
        want = randpulse2(words[k], steady(rates[k], n), flag, seeds=[(192, 4)] if k == 5 else [],
                          flags=[(192, 1)] if k == 0 else [])
        assert got[k] == want, texts[k]
    assert set(got[0][:192]) == {0.0, 1.0} and len(set(got[0][192:])) > 3
    assert len(set(got[2])) == 1  # frequency 0 holds


@pytest.mark.parametrize("text,line", [
    ("lfnoise~ 1 foo", "lfnoise~: arguments needs to only contain floats"),
    ("rand.f~ x", "randf~: improper args"), ("rand.f~ 1 2 3", "randf~: improper args"),
    ("rand.i~ 1 x", "randi~: improper args"), ("rand.i~ 1 2 3", "randi~: improper args"),
    ("randpulse2~ 1 2 3 4", "[randpulse2~]: improper args"),
    ("randpulse2~ foo", "[randpulse2~]: improper args"),
])
def test_improper_args(text, line):
    p = Patch()
    p.obj(text)
    r = p.run()
    assert r.errors == [line] and r.failed_to_create()
