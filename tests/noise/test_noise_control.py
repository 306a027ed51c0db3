"""rand.seq, rand.f, rand.i and chance in pd."""
import pytest

from vpd import Patch
from noise_model import chance_values, int_lcg_counter, rand_f, rand_i

FIRST_WORD = (54569 * 1319) & 0xFFFFFFFF


def printed(values):
    """Floats as the probe prints them, to 9 significant digits."""
    return [float(f"{v:.9g}") for v in values]


def bangs(texts, count, extra=()):
    """Sends `count` bangs to each box; `extra` is (box, message, inlet) sent first."""
    p = Patch()
    boxes = [p.obj(t) for t in texts]
    for b in boxes:
        p.probe(b)
    for i, message, inlet in extra:
        p.send(boxes[i], message, inlet=inlet)
    for b in boxes:
        for _ in range(count):
            p.send(b, "bang")
    r = p.run()
    return r, boxes


def improper(text):
    p = Patch()
    p.obj(text)
    r = p.run()
    return r.errors, bool(r.failed_to_create())


# ---- rand.f ---------------------------------------------------------------

@pytest.mark.platforms
def test_rand_f_seeding_and_counter():
    # An explicit seed moves the class's counter for the boxes after it.
    # A single symbol argument is ignored.
    r, (a, b, c, d) = bangs(["rand.f foo", "rand.f 0 1 3.9", "rand.f", "rand.f 10 -10"], 5,
                            extra=[(3, "seed 234599", 0)])
    assert r.floats(a) == printed(rand_f(FIRST_WORD, 0, 1, 5))
    assert r.floats(b) == printed(rand_f(3 * 1319, 0, 1, 5))
    assert r.floats(c) == printed(rand_f(3 * 1319 * 1319, 0, 1, 5))
    # Reversed bounds are fine: the worked value -0.7118... gives 10 + 0.2881... * -10.
    assert r.floats(d) == printed(rand_f(309436081, 10, -10, 5))
    assert r.floats(d)[0] == pytest.approx(7.118151783943176, abs=1e-5)


def test_rand_f_bounds_through_inlets_and_equal_bounds():
    r, (a, b) = bangs(["rand.f 5", "rand.f 2 2"], 50,
                      extra=[(0, "100", 1), (0, "101", 2)])
    assert all(100 <= v <= 101 for v in r.floats(a))
    assert r.floats(b) == [2.0] * 50


# ---- rand.i ---------------------------------------------------------------

@pytest.mark.platforms
def test_rand_i_seeding_and_range():
    first = int_lcg_counter(1489853723)
    r, (a, b, c) = bangs(["rand.i 0 10", "rand.i 0 10 7", "rand.i 6"], 20)
    assert first & 0x7FFFFFFF == 0x6D84AB3C
    assert r.floats(a) == rand_i(0x6D84AB3C, 0, 10, 20)
    assert r.floats(b) == rand_i(int_lcg_counter(7) & 0x7FFFFFFF, 0, 10, 20)
    third = int_lcg_counter(int_lcg_counter(7)) & 0x7FFFFFFF
    assert r.floats(c) == rand_i(third, 0, 6, 20)
    assert set(r.floats(a)) <= set(range(11))


def test_rand_i_reversed_and_equal_bounds():
    r, (a, b, c) = bangs(["rand.i 10 0", "rand.i 5 3", "rand.i 3 3"], 100)
    assert set(r.floats(a)) == set(range(1, 10))  # max+1 ... min-1
    assert r.floats(b) == [4.0] * 100
    assert r.floats(c) == [3.0] * 100


def test_rand_i_seed_message_and_extreme_bounds():
    r, (a, b) = bangs(["rand.i 0 100", "rand.i -1e10 1e10"], 5,
                      extra=[(0, "seed -3", 0), (1, "seed 1e39", 0)])
    assert r.floats(a) == rand_i(2**32 - 3, 0, 100, 5)  # not masked
    assert r.floats(b) == printed(rand_i(2**31 - 1, -2**31, 2**31 - 1, 5))
    assert r.errors == []


def test_rand_i_redraw_from_its_own_outlet_gets_a_new_value():
    # A bang fed back while the value is 0 draws again until a 1 comes out.
    p = Patch()
    a = p.obj("rand.i 0 1 4")
    sel = p.obj("sel 0")
    p.probe(a)  # connected first, so it sees each value before the redraw
    p.connect(a, 0, sel)
    p.connect(sel, 0, a)
    p.send(a, "bang")
    r = p.run()
    got = r.floats(a)
    assert r.errors == []
    expect = rand_i(int_lcg_counter(4) & 0x7FFFFFFF, 0, 1, len(got))
    assert got == expect and got[-1] == 1.0 and set(got[:-1]) <= {0.0}


@pytest.mark.parametrize("text,line", [
    ("rand.f 1 x", "randf: improper args"), ("rand.f 1 2 3 4", "randf: improper args"),
    ("rand.i x 1", "randi: improper args"), ("rand.i 1 2 3 4", "randi: improper args"),
    ("chance foo", "[chance]: takes only floats as arguments"),
])
def test_improper_args(text, line):
    assert improper(text) == ([line], True)


# ---- chance ---------------------------------------------------------------

def test_chance_percentage_mode():
    r, (a, b, c) = bangs(["chance", "chance 0", "chance 200"], 40,
                         extra=[(2, "30", 1)])  # the inlet is not clamped
    p = Patch()  # the right outlets too
    boxes = [p.obj(t) for t in ("chance", "chance 0")]
    for bx in boxes:
        p.probe(bx, 1)
        for _ in range(40):
            p.send(bx, "bang")
    right = p.run()
    vs = chance_values(FIRST_WORD, 100, 40)
    assert len(r.messages(a)) == sum(v <= 50 for v in vs)
    assert len(right.messages(boxes[0], 1)) == sum(v > 50 for v in vs)
    assert 10 < len(r.messages(a)) < 30
    vs2 = chance_values((FIRST_WORD * 1319) & 0xFFFFFFFF, 100, 40)
    assert len(r.messages(b)) == sum(v == 0 for v in vs2) == 0
    assert len(right.messages(boxes[1], 1)) == 40
    vs3 = chance_values((FIRST_WORD * 1319 * 1319) & 0xFFFFFFFF, 100, 40)
    assert len(r.messages(c)) == sum(v <= 30 for v in vs3)


@pytest.mark.platforms
def test_chance_index_mode_and_seed():
    r, (a,) = bangs(["chance 25 -index 75"], 200, extra=[(0, "seed 7", 0)])
    vs = chance_values(7 * 1319, 100, 200)
    assert r.floats(a) == [1.0 if v < 25 else 2.0 for v in vs]


def test_chance_weights_placeholders_and_lists():
    p = Patch()
    a = p.obj("chance 1 foo 2")
    probes = [p.probe(a, i) for i in range(3)]
    b = p.obj("chance 1 1 1")
    for i in range(3):
        p.probe(b, i)
    for _ in range(30):
        p.send(a, "bang")
    p.send(b, "0 0 5")
    for _ in range(10):
        p.send(b, "bang")
    p.send(b, "list 3 x")  # stops at the symbol: entry 1 and 2 keep 5 and 5
    for _ in range(30):
        p.send(b, "bang")
    r = p.run()
    assert r.errors == [] and len(probes) == 3
    assert r.messages(a, 1) == []  # a symbol's place is never chosen
    assert len(r.messages(a, 0)) + len(r.messages(a, 2)) == 30
    assert len(r.messages(a, 0)) > 0 and len(r.messages(a, 2)) > 0
    assert len(r.messages(b, 0)) + len(r.messages(b, 1)) == 30
    assert len(r.messages(b, 2)) == 10


# ---- rand.seq -------------------------------------------------------------

def seq_patch(text):
    """A rand.seq whose two outlets share one probe, so their order shows."""
    p = Patch()
    s = p.obj(text)
    probe = p.probe(s, 0)
    p.connect(s, 1, probe)
    return p, s


def stream(r, s):
    return [a[0] if sel == "float" else "end" for sel, a in r.messages(s)]


@pytest.mark.platforms
def test_rand_seq_cycles():
    p, s = seq_patch("rand.seq 3")
    for _ in range(6):
        p.send(s, "bang")
    out = stream(p.run(), s)
    assert out[3] == out[7] == "end" and len(out) == 8
    assert sorted(out[0:3]) == sorted(out[4:7]) == [0, 1, 2]


def test_rand_seq_weights_null_and_set():
    p, s = seq_patch("rand.seq 3 2 0 1")
    for _ in range(3):
        p.send(s, "bang")
    p.send(s, "0 0 0")
    p.send(s, "bang")
    p.send(s, "set 1 2")
    p.send(s, "set 7 1")
    p.send(s, "inc -1")
    p.send(s, "bang")
    p.send(s, "set 1 0")  # lowered below its use: not drawn again this cycle
    p.send(s, "set 2 1")
    p.send(s, "bang")  # the only one left: ends the cycle
    p.send(s, "bang")
    r = p.run()
    out = stream(r, s)
    assert sorted(out[0:3]) == [0, 0, 2] and out[3] == "end"
    assert out[4] == "end" and "[rand_seq]: probabilities are null" in r.console
    assert "[rand_seq]: 7 not available" in r.console
    assert "[rand_seq]: -1 not available" in r.console
    assert out[5:] == [1, 2, "end", 2, "end"]


def test_rand_seq_eq_n_and_restart():
    p, s = seq_patch("rand.seq 4")
    p.send(s, "bang")
    p.send(s, "n 4")  # same size: progress kept
    for _ in range(3):
        p.send(s, "bang")
    p.send(s, "eq 2")
    for _ in range(8):
        p.send(s, "bang")
    p.send(s, "eq 0")  # weights 1
    p.send(s, "bang")
    p.send(s, "restart")
    for _ in range(4):
        p.send(s, "bang")
    p.send(s, "2", inlet=1)  # right inlet acts as "n": resets weights and progress
    for _ in range(2):
        p.send(s, "bang")
    out = stream(p.run(), s)
    assert sorted(out[0:4]) == [0, 1, 2, 3] and out[4] == "end"
    assert sorted(out[5:13]) == [0, 0, 1, 1, 2, 2, 3, 3] and out[13] == "end"
    assert out[14] in range(4)
    assert sorted(out[15:19]) == [0, 1, 2, 3] and out[19] == "end"
    assert sorted(out[20:22]) == [0, 1] and out[22:] == ["end"]


def test_rand_seq_huge_and_negative_weights():
    p, s = seq_patch("rand.seq 3 1e10 -5 1")
    for _ in range(50):
        p.send(s, "bang")
    p.send(s, "2 3 1 5")  # extra elements ignored
    p.send(s, "inc 0")
    p.send(s, "set 1 -3")
    p.send(s, "restart")
    for _ in range(4):
        p.send(s, "bang")
    r = p.run()
    out = stream(r, s)
    assert r.errors == []
    assert set(out[:50]) <= {0, 2} and out.count(0) >= 49
    assert sorted(out[-5:-1]) == [0, 0, 0, 2] and out[-1] == "end"


def test_rand_seq_refused_sizes_keep_the_object_working():
    p, s = seq_patch("rand.seq 2")
    p.send(s, "n 1e10")
    p.send(s, "bang")
    p.send(s, "bang")
    r = p.run()
    assert r.errors == ["rand_seq : could not allocate buffer"]
    out = stream(r, s)
    assert sorted(out[:2]) == [0, 1] and out[2] == "end"
    assert improper("rand.seq 1e10") == (["rand_seq : could not allocate buffer"], True)


def test_rand_seq_resized_from_its_own_outlet():
    # The item's bookkeeping is done before it goes out, so a resize in
    # response to it leaves a clean new cycle.
    p = Patch()
    s = p.obj("rand.seq 4")
    m = p.msg("n 2")
    p.connect(s, 0, m)
    p.connect(m, 0, s)
    probe = p.probe(s, 0)
    p.connect(s, 1, probe)
    for _ in range(3):
        p.send(s, "bang")
    r = p.run()
    out = stream(r, s)
    assert r.errors == []
    assert sorted(out[1:3]) == [0, 1] and out[3:] == ["end"]
