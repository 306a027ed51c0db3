"""sr~, nyquist~ and blocksize~ in pd: units, reports after DSP starts in
plain and reblocked contexts, and sample-rate requests to the host."""
import functools
import os
import sys

import pytest
from vpd import Patch, f32

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "canvas"))
from nested import Run, got  # noqa: E402

SR = 44100


def in_unit(v, unit):
    """The reporting model: thousands in double precision, inverse in single."""
    thousands, inverse = {"hz": (0, 0), "khz": (1, 0), "ms": (1, 1), "sec": (0, 1)}[unit]
    v = f32(v * 0.001) if thousands else f32(v)
    return f32(1 / v) if inverse else v


def printed(x):
    return float(f"{f32(x):.9g}")


def floats(res, name):
    return [a[0] for s, a in got(res, name) if s == "float"]


@pytest.mark.platforms
@pytest.mark.parametrize("name,scale", [("sr~", 1), ("nyquist~", 0.5)])
def test_units_by_message_and_flag(name, scale):
    p = Patch()
    x = p.obj(name)
    p.probe(x)
    for unit in ("bang", "khz", "ms", "sec", "hz"):
        p.send(x, unit)
    flagged = [p.obj(f"{name} {flags}") for flags in ("-khz", "-ms", "-sec", "-khz -sec")]
    for f in flagged:
        p.probe(f)
        p.send(f, "bang")
    r = p.run()
    assert r.errors == []
    v = SR * scale
    want = [printed(in_unit(v, u)) for u in ("hz", "hz", "khz", "ms", "sec", "hz")]
    assert r.floats(x) == want  # the first is the load report
    # nyquist~ reads only its first atom
    last = "ms" if name == "sr~" else "khz"
    for f, unit in zip(flagged, ("khz", "ms", "sec", last)):
        assert r.floats(f) == [printed(in_unit(v, unit))] * 2


def test_one_report_per_change_of_rate_or_block_size():
    r = Run()
    m = r.main
    for name in ("sr~", "nyquist~ -khz", "blocksize~", "blocksize~ -ms", "blocksize~ -hz"):
        b = m.obj(name)
        m.probe(b, "top" + name.replace(" ", ""))
        m.receive(b, "go")
    contexts = {"big": "block~ 256", "over": "block~ 64 1 2"}
    for sub, block in contexts.items():
        s = m.sub(sub)
        s.obj(block)
        for name in ("sr~", "nyquist~", "blocksize~", "blocksize~ -ms", "blocksize~ -hz"):
            b = s.obj(name)
            s.probe(b, sub + name.replace(" ", ""))
            s.receive(b, "go")
    r.at(0, "pd dsp 1")
    r.at(5, "pd dsp 0")
    r.at(5, "pd dsp 1")
    res = r.run(ms=10)
    assert res.errors == []
    assert floats(res, "topsr~") == [SR]
    assert floats(res, "topnyquist~-khz") == [printed(in_unit(SR / 2, "khz"))]
    for ctx, n, rate in (("top", 64, SR), ("big", 256, SR), ("over", 64, 2 * SR)):
        if ctx != "top":  # the host's rate, whatever the context's
            assert floats(res, ctx + "sr~") == [SR] and floats(res, ctx + "nyquist~") == [SR / 2]
        assert floats(res, ctx + "blocksize~") == [n]
        assert floats(res, ctx + "blocksize~-ms") == [printed(n * (1000.0 / rate))]
        assert floats(res, ctx + "blocksize~-hz") == [printed(rate / n)]


def test_blocksize_bang_and_unit_switches():
    p = Patch()
    b = p.obj("blocksize~")
    p.probe(b)
    p.send(b, "bang")  # nothing before the first DSP run
    p.send(b, "ms")  # switches without a report
    for msg in ("bang", "ms", "hz", "samps", "samps"):
        p.send(b, msg, at_block=2)
    p.dsp = True
    r = p.run(blocks=3)
    ms = printed(64 * 1000 / SR)
    assert r.floats(b) == [ms, ms, printed(SR / 64), 64]


def test_creation_errors():
    for text, line in (("sr~ foo", "[sr~]: improper args"), ("sr~ 1 2", "[sr~]: improper args"),
                       ("sr~ -khz -ms 3", "[sr~]: improper args"),
                       ("nyquist~ -hz", "[nyquist~]: improper args"),
                       ("blocksize~ 5", "[blocksize~]: improper args"),
                       ("blocksize~ -khz", "[blocksize~]: improper args")):
        p = Patch()
        p.obj(text)
        r = p.run()
        assert r.errors == [line] and r.failed_to_create(), text
    p = Patch()
    for text in ("nyquist~ 5 foo", "blocksize~ -hz foo", "sr~ -ms 0"):
        p.obj(text)
    assert p.run().errors == []


@functools.lru_cache(maxsize=None)
def host_reopens_audio():
    """Whether this host applies a new rate at all: one built without audio
    back-ends keeps the rate it started with."""
    p = Patch()
    s = p.obj("samplerate~")
    p.probe(s)
    m = p.msg("; pd audio-dialog 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 48000 20 0")
    p.send(m, "bang")
    p.send(s, "bang", at_ms=1)
    return p.run(ms=2).floats(s) == [48000]


SETTINGS_RATE, SETTINGS_ADVANCE, SETTINGS_BLOCK = 20, 21, 23  # in vtest.audio's list


def test_set_asks_the_host_for_a_rate_keeping_the_other_settings():
    p = Patch()
    sr = p.obj("sr~")
    p.probe(sr)
    audio = p.obj("vtest.audio")
    p.probe(audio)
    # settings changed after the object was made are kept by "set"
    dialog = p.msg("; pd audio-dialog 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 44100 37 0 128")
    p.send(dialog, "bang")
    for t, msg in ((1, "set 0"), (2, "set -5"), (3, "set"), (4, "set 0.9")):
        p.send(sr, msg, at_ms=t)
        p.send(audio, "bang", at_ms=t)
    p.send(sr, "set 48000.7", at_ms=5)
    p.send(audio, "bang", at_ms=5)
    restart = p.msg("; pd dsp 0; pd dsp 1")
    p.send(restart, "bang", at_ms=6)
    p.send(restart, "bang", at_ms=7)
    p.dsp = True
    r = p.run(ms=10)
    settings = [a for _, a in r.messages(audio)]
    # the block size too: a dialog message without it would set 64
    assert [(s[SETTINGS_RATE], s[SETTINGS_ADVANCE], s[SETTINGS_BLOCK]) for s in settings] == \
        [(44100, 37, 128)] * 4 + [(48000, 37, 128)]
    if host_reopens_audio():
        # the load report, then one report of the new rate
        assert r.floats(sr) == [44100, 48000]


def test_rate_argument_asks_at_creation_and_zero_asks_nothing():
    def rate_after(*boxes):
        p = Patch()
        for b in boxes:
            p.obj(b)
        audio = p.obj("vtest.audio")
        p.probe(audio)
        p.send(audio, "bang")
        return [a[SETTINGS_RATE] for _, a in p.run().messages(audio)]

    assert rate_after("sr~ -1", "sr~ 0 -khz", "sr~ 0.5") == [44100]
    assert rate_after("sr~ 32000 -ms") == [32000]
