"""float2sig~/f2s~ ramps and sig2float~/s2f~ sampling, in pd."""
import pytest
from vpd import Patch, f32


def ramp(text, events, blocks, sr=44100):
    p = Patch(sr=sr)
    r_ = p.obj(text)
    p.probe_signal(r_)
    for at, msg, inlet in events:
        p.send(r_, msg, inlet=inlet, at_block=at)
    r = p.run(blocks=blocks)
    assert r.errors == []
    return r.samples(r_)


@pytest.mark.platforms
@pytest.mark.parametrize("name", ["float2sig~", "f2s~"])
def test_ten_ms_ramp_reaches_on_sample_441_and_holds_from_442(name):
    s = ramp(f"{name} 10", [(1, "1", 0)], 10)
    assert s[:64] == [0.0] * 64
    ramp_ = s[64:]
    assert ramp_[0] == f32(1 / 441)
    assert ramp_[439] < 1 and ramp_[440] == pytest.approx(1, abs=1e-5)
    assert ramp_[441:] == [1.0] * (len(ramp_) - 441)
    assert all(a < b for a, b in zip(ramp_[:440], ramp_[1:441]))


def test_zero_ramp_time_steps_at_the_next_sample_and_initial_value_holds():
    s = ramp("float2sig~ 0 5", [(1, "-3", 0), (2, "7", 0)], 3)
    assert s == [5.0] * 64 + [-3.0] * 64 + [7.0] * 64
    # Shorter than 1.5 samples is a jump too.
    s = ramp(f"float2sig~ {1.49 / 48} 0", [(1, "1", 0)], 2, sr=48000)
    assert s[64:] == [1.0] * 64


def test_ramp_from_the_initial_value():
    s = ramp("float2sig~ 1 5", [(1, "1", 0)], 3)  # 44 samples
    assert s[:64] == [5.0] * 64
    assert s[64] == f32(5 + f32(1 - 5) / 44)
    assert s[64 + 43] == pytest.approx(1, abs=1e-5) and s[64 + 44:] == [1.0] * 84


def test_new_float_mid_ramp_starts_from_the_value_reached():
    s = ramp("float2sig~ 10", [(1, "1", 0), (3, "0", 0)], 20)
    at = 64 * 3
    v = s[at - 1]
    assert s[at] == f32(v + f32(0 - v) / 441)
    assert s[at + 440] == pytest.approx(0, abs=1e-5) and s[at + 441:] == [0.0] * (len(s) - at - 441)


def test_new_ramp_time_replans_the_rest_of_the_ramp():
    s = ramp("float2sig~ 10", [(1, "1", 0), (3, "1", 1)], 6)  # 1 ms = 44 samples
    at = 64 * 3
    v = s[at - 1]
    assert s[at] == f32(v + f32(1 - v) / 44)
    assert s[at + 43] == pytest.approx(1, abs=1e-6) and s[at + 44:] == [1.0] * (len(s) - at - 44)


def test_negative_and_huge_ramp_times():
    s = ramp("float2sig~ -10", [(1, "1", 0)], 2)
    assert s[64:] == [1.0] * 64
    s = ramp("float2sig~ 1e30", [(1, "1", 0)], 3)
    assert 0 < s[-1] < 1e-6  # a very long ramp, not a jump or garbage


def sampler(text, blocks, events=(), source="osc", sr=44100):
    """A [rpole~ 1] on [sig~ 1] counts samples: value at index k of block b is 64 b + k + 1."""
    p = Patch(sr=sr)
    s = p.obj(text)
    p.probe(s)
    one = p.obj("sig~ 1")
    count = p.obj("rpole~ 1")
    p.connect(one, 0, count)
    p.connect(count, 0, s)
    p.dsp = True
    for at, msg, inlet in events:
        p.send(s, msg, inlet=inlet, at_block=at)
    r = p.run(blocks=blocks)
    return r, s


@pytest.mark.platforms
@pytest.mark.parametrize("name", ["sig2float~", "s2f~"])
def test_period_zero_sends_one_float_per_block_at_the_offset(name):
    r, s = sampler(f"{name} 0 10", 4)
    assert r.errors == []
    assert r.floats(s) == [11.0, 75.0, 139.0, 203.0]


def test_period_rounds_down_to_whole_blocks():
    # 100 samples: every block; 128 samples: every second block.
    r, s = sampler(f"sig2float~ {100 / f32(44.1)!r}", 4)
    assert r.floats(s) == [1.0, 65.0, 129.0, 193.0]
    r, s = sampler(f"sig2float~ {128 / f32(44.1)!r} 0", 6)
    assert r.floats(s) == [1.0, 129.0, 257.0]


def test_offsets_are_limited_to_the_block():
    r, s = sampler("sig2float~ 0 100", 2)
    assert r.floats(s) == [64.0, 128.0]
    r, s = sampler("sig2float~ -5 -3", 2)
    assert r.floats(s) == [1.0, 65.0]
    r, s = sampler("sig2float~ 0 1e30", 1)
    assert r.floats(s) == [64.0]
    r, s = sampler("sig2float~", 3, [(1, "offset 7", 0), (2, "offset 64", 0)])
    assert r.floats(s) == [1.0, 72.0, 192.0]


def test_off_start_stop_and_floats():
    r, s = sampler("sig2float~ -off", 8, [(2, "start", 0), (3, "stop", 0), (5, "1", 0),
                                          (6, "0", 0)])
    assert r.floats(s) == [129.0, 321.0]


def test_bang_and_period_messages():
    ms = 256 / f32(44.1)  # every fourth block
    r, s = sampler(f"sig2float~ {ms!r}", 9, [(2, "bang", 0), (5, "set 0", 0)])
    # bang: output at block 2 and every 4 blocks from there; set keeps the countdown.
    assert r.floats(s) == [1.0, 129.0, 6 * 64 + 1.0, 7 * 64 + 1.0, 8 * 64 + 1.0]
    r, s = sampler(f"sig2float~ {ms!r}", 4, [(2, f"{ms!r}", 1)])
    assert r.floats(s) == [1.0, 129.0]  # the right inlet restarts the count


def test_value_is_sent_after_the_block():
    p = Patch()
    s = p.obj("sig2float~")
    p.probe(s)
    src = p.obj("sig~ 3")
    p.connect(src, 0, s)
    p.probe_signal(src)
    r = p.run(blocks=2)
    lines = [l.split(":")[0] for l in r.lines if l.startswith("probe")]
    first = lines.index(f"probe b{s.index}o0")
    assert lines[:first] == [f"probe~ b{src.index}o0~"] * 4  # block 0 printed first


def test_improper_args_for_both_names():
    for name in ("sig2float~", "s2f~"):
        for args in ("-on", "1 -off 2 foo", "symbol"):
            p = Patch()
            p.obj(f"{name} {args}")
            r = p.run()
            assert r.errors == [f"{name}: improper args"] and r.failed_to_create()
    p = Patch()
    p.obj("s2f~ 10 -off 3 4")
    assert p.run().failed_to_create() == []
