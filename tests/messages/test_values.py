"""The value classes in pd: ranges, rounding to a step, factors, divisors,
bits, repeats filtered, defaults, text read as messages, dollar expansion."""
import math
import os
import re
import struct
import sys

import pytest
from vpd import Patch, f32, parse_message, probe_name

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "canvas"))
from nested import Run, got  # noqa: E402

NAN = "nan"  # a NaN made in the patch: 1e999 (infinite) less itself


def order(r, box, outlets):
    """Every message from `box`, as (outlet, selector, atoms), in arrival order."""
    names = {probe_name(box, o): o for o in range(outlets)}
    raw = []  # [outlet or None, text]; long messages continue on "probe+" lines
    for line in r.lines:
        if line.startswith("probe+ ") and raw:
            raw[-1][1] += line[len("probe+ "):]
            continue
        m = re.match(r"probe (\S+): ?(.*)$", line)
        if m:
            raw.append([names.get(m.group(1)), m.group(2)])
    return [(o,) + parse_message(t) for o, t in raw if o is not None]


def run(text, sends, outlets=1, errors_ok=False):
    """Creates `text`, probes its outlets, sends (message, inlet) pairs (or
    bare messages to inlet 0) in turn. NAN stands for a NaN float."""
    p = Patch()
    box = p.obj(text)
    for o in range(outlets):
        p.probe(box, o)
    nan = None
    for s in sends:
        msg, inlet = (s, 0) if isinstance(s, str) else s
        if msg == NAN:
            if nan is None:
                nan = p.obj("- 1e999")
                p.connect(nan, 0, box, 0)
            p.send(nan, "1e999")
        else:
            p.send(box, msg, inlet=inlet)
    r = p.run()
    assert r.failed_to_create() == [], r.text
    if not errors_ok:
        assert r.errors == [], r.text
    return r, order(r, box, outlets)


def floats(text, sends):
    return [a[0] for _, s, a in run(text, sends)[1]]


def same(got_, want):
    assert len(got_) == len(want), (got_, want)
    for g, w in zip(got_, want):
        # The probe prints 9 digits: enough to tell every float apart.
        assert (math.isnan(g) and math.isnan(w)) or f32(g) == f32(w), (got_, want)


def improper(text):
    p = Patch()
    p.obj(text)
    r = p.run()
    return r.errors[:1] if r.failed_to_create() else ["created"]


# ---- fold, wrap2, quantizer -------------------------------------------------

@pytest.mark.platforms
@pytest.mark.parametrize("text,inputs,want", [
    ("fold 0 1", ["1.25", "-0.25", "2.25", "0.5", "1", "-1.5"], [0.75, 0.25, 0.25, 0.5, 1, 0.5]),
    ("fold 1 0", ["1.25", "-0.25", "2.25"], [0.75, 0.25, 0.25]),
    ("fold 3 3", ["1.25", "-7", NAN], [3, 3, 3]),
    ("fold", ["1.5"], [0.5]),
    ("fold 4", ["5", "-1"], [3, 1]),
    # Far out, infinite and NaN: an exact reflection, the lower bound, NaN.
    ("fold 0 1", ["1e30", "8388609", "-1e999", "1e999", NAN], [0, 1, 0, 0, math.nan]),
    ("wrap2 0 1", ["1", "1.25", "-0.25", "0", "0.875"], [0, 0.25, 0.75, 0, 0.875]),
    ("wrap2 1 0", ["1.25", "-0.25"], [0.25, 0.75]),
    ("wrap2 -1 1", ["1.5", "-1.5", "-3.5"], [-0.5, 0.5, 0.5]),
    ("wrap2 3 3", ["1"], [3]),
    # Below the range where adding 1 no longer changes the value, and beyond.
    ("wrap2 0 1", ["-1e9", "-1e30", "-1e999", "1e999", "1e30", NAN], [0, 0, 0, 0, 0, math.nan]),
])
def test_fold_and_wrap2(text, inputs, want):
    same(floats(text, inputs), want)


@pytest.mark.parametrize("name,at_125,at_neg,at_neg_2_3", [
    ("fold", 0.75, 0.25, 2.25), ("wrap2", 0.25, 0.75, 2.75)])
def test_fold_wrap2_bang_set_lists_and_bound_inlets(name, at_125, at_neg, at_neg_2_3):
    _, got_ = run(f"{name} 0 1", ["1.25", "bang", "set -0.25", "list 1.25 foo -0.25", "bang",
                                  ("3", 2), ("2", 1), "bang"])
    assert [(s, a) for _, s, a in got_] == [
        ("float", [at_125]), ("float", [at_125]), ("list", [at_125, 0.0, at_neg]),
        ("float", [at_neg]), ("float", [at_neg_2_3])]


@pytest.mark.parametrize("mode,inputs,want", [
    (0, ["0.74", "0.75", "-0.25", "-0.74"], [0.5, 1, -0.5, -0.5]),
    (1, ["0.74", "-0.74", "0.99"], [0.5, -0.5, 0.5]),
    (2, ["0.74", "-0.26", "-0.5"], [0.5, -0.5, -0.5]),
    (3, ["0.74", "0.26", "-0.26"], [1, 0.5, 0]),
    (0, ["1e30", "-1e999", NAN], [1e30, -math.inf, math.nan]),
])
def test_quantizer_modes(mode, inputs, want):
    same(floats(f"quantizer 0.5 {mode}", inputs), want)
    same(floats(f"quantizer 0.5 -mode {mode}", inputs), want)


def test_quantizer_step_mode_message_and_lists():
    same(floats("quantizer", ["0.74", ("0.5", 1), "0.74"]), [0.74, 0.5])
    same(floats("quantizer -0.5", ["0.74"]), [0.74])
    # "mode" is truncated and clamped to 0..3; so is the argument.
    same(floats("quantizer 0.5 9", ["0.26", "mode -4", "0.26", "mode 2.9", "0.74"]), [0.5, 0.5, 0.5])
    _, got_ = run("quantizer 0.5", ["list 0.74 foo -0.25"])
    assert got_ == [(0, "list", [0.5, 0.0, -0.5])]


@pytest.mark.parametrize("text,line", [
    ("fold 1 2 3", "fold: improper args"), ("fold a", "fold: improper args"),
    ("wrap2 0 foo", "wrap2: improper args"),
    ("quantizer foo", "quantizer: improper args"), ("quantizer -mode", "quantizer: improper args"),
    ("quantizer -mode a", "quantizer: improper args"),
    ("quantizer 1 -mode 2 3", "quantizer: improper args"),
])
def test_improper_args(text, line):
    assert improper(text) == [line]


def test_list_classes_take_long_lists_and_survive_nested_lists():
    atoms = [float(i % 7) - 3 for i in range(10000)]
    for text, fn in (("fold -1 1", lambda v: v if -1 <= v <= 1 else (-2 - v if v < -1 else 2 - v)),
                     ("wrap2 0 2", lambda v: v % 2), ("quantizer 2", lambda v: 2 * round(v / 2 + 1e-9 * (1 if v > 0 else -1)))):
        _, got_ = run(text, ["list " + " ".join(f"{a:g}" for a in atoms)])
        assert got_ == [(0, "list", [fn(a) for a in atoms])], text
        # A receiver sends a longer list back in while the first result is
        # still going out; the second receiver must still get the first one.
        p = Patch()
        box = p.obj(text)
        gate = p.obj("spigot 1")
        trig = p.obj("t b b")
        close = p.msg("0")
        longer = p.msg("list " + " ".join(["0.5"] * 300))
        p.connect(box, 0, gate)
        p.connect(gate, 0, trig)
        p.connect(trig, 1, close)
        p.connect(close, 0, gate, 1)
        p.connect(trig, 0, longer)
        p.connect(longer, 0, box)
        p.probe(box)
        p.send(box, "list 0.5 0.5")
        r = p.run()
        got_ = r.messages(box)
        assert len(got_) == 2 and got_[1] == ("list", [fn(0.5)] * 2) and len(got_[0][1]) == 300


# ---- factor, gcd, float2bits -------------------------------------------------

def test_factor():
    _, got_ = run("factor", ["360", "1", "16777216", "16777213", "2.9", "91"])
    assert [(s, a) for _, s, a in got_] == [
        ("list", [2, 2, 2, 3, 3, 5]), ("float", [1]), ("list", [2] * 24), ("list", [16777213]),
        ("list", [2]), ("list", [7, 13])]


def test_factor_reports_numbers_out_of_range():
    r, got_ = run("factor", ["0", "16777218", "-5.5", "1e30", "-1e999", NAN], errors_ok=True)
    assert got_ == []
    assert r.errors == [f"[factor]: number {n} out of range (1 - 16777216)"
                        for n in ("0", "16777218", "-5", "1e+30", "-inf", "nan")]


def test_gcd():
    same(floats("gcd 12", ["18", "0", "-18", "list 12 18 30", "list 7", "bang", "list 2.5",
                           "0.5", "1e30", ("1000", 1), "1e30", "1e999", NAN, "list 1e30 0"]),
         [6, 1, 6, 6, 7, 7, 2.5, 1, 12, 40, math.nan, math.nan, 1])
    same(floats("gcd", ["5", ("35", 1), "14", "list"]), [1, 7, 7])


def bits(x):
    b = struct.unpack("<I", struct.pack("<f", x))[0]
    return [float((b >> i) & 1) for i in range(31, -1, -1)]


def test_float2bits():
    _, got_ = run("float2bits 0.1", ["bang", "1", "set -2", "split", ("-0.5", 1), "bang"])
    assert [(s, a) for _, s, a in got_] == [
        ("list", bits(f32(0.1))), ("list", [0.0] * 2 + [1.0] * 7 + [0.0] * 23),
        ("mantissa", [0.0] * 23), ("exponent", [1.0] + [0.0] * 7), ("sign", [1.0]),
        ("list", bits(-0.5))]


# ---- changed, default ------------------------------------------------------

def test_changed_sends_changes_left_and_repeats_right():
    _, got_ = run("changed", ["1", "1", "2", ("5", 1), "5", "foo 1", "foo 1", "foo 2",
                              "symbol a", "symbol a", "list 1 2", "list 1 2", "bang"], 2)
    assert got_ == [(0, "float", [1]), (1, "float", [1]), (0, "float", [2]), (1, "float", [5]),
                    (0, "foo", [1]), (1, "foo", [1]), (0, "foo", [2]), (0, "symbol", ["a"]),
                    (1, "symbol", ["a"]), (0, "list", [1, 2]), (1, "list", [1, 2]),
                    (0, "list", [1, 2])]


@pytest.mark.parametrize("args,repeat,stored", [
    ("", "bang", ("", [])), ("7", "7", ("float", [7])), ("foo", "foo", ("foo", [])),
    ("foo 1 b", "foo 1 b", ("foo", [1, "b"])), ("1 b", "list 1 b", ("list", [1, "b"])),
])
def test_changed_creation_arguments(args, repeat, stored):
    _, got_ = run(f"changed {args}".strip(), ["bang", repeat] if repeat != "bang" else ["bang"], 2)
    assert got_[0] == (0,) + stored
    if repeat != "bang":
        assert got_[1] == (1,) + stored


def test_changed_stores_long_messages_whole():
    long = "list " + " ".join(str(i) for i in range(10000))
    _, got_ = run("changed", [long, long, long[:-1] + "8", ("bar " + long[5:], 1), "bar " + long[5:]], 2)
    assert [(o, s, len(a)) for o, s, a in got_] == [(0, "list", 10000), (1, "list", 10000),
                                                    (0, "list", 10000), (1, "bar", 10000)]
    assert got_[2][2][-1] == 9998


def test_changed_nested_message_goes_left_while_output_is_in_progress():
    p = Patch()
    ch = p.obj("changed")
    gate = p.obj("spigot 1")
    trig = p.obj("t b b")
    close = p.msg("0")
    again = p.msg("1")
    p.connect(ch, 0, gate)
    p.connect(gate, 0, trig)
    p.connect(trig, 1, close)
    p.connect(close, 0, gate, 1)
    p.connect(trig, 0, again)
    p.connect(again, 0, ch)
    p.probe(ch, 0)
    p.probe(ch, 1)
    p.send(ch, "1")
    p.send(ch, "1")
    r = p.run()
    assert order(r, ch, 2) == [(0, "float", [1]), (0, "float", [1]), (1, "float", [1])]


def test_default():
    _, got_ = run("default foo", ["bang", "3", "bar 1", "symbol s", "list 1 2", ("7", 1), "bang",
                                  ("set 1 2", 1), "bang", ("bang", 1), "bang"])
    assert [(s, a) for _, s, a in got_] == [
        ("foo", []), ("float", [3]), ("bar", [1]), ("symbol", ["s"]), ("list", [1, 2]),
        ("float", [7]), ("set", [1, 2]), ("bang", [])]
    assert [(s, a) for _, s, a in run("default", ["bang"])[1]] == [("bang", [])]
    assert [(s, a) for _, s, a in run("default 1 a", ["bang"])[1]] == [("list", [1, "a"])]


def test_default_replaced_while_being_sent():
    # The first receiver sets a new default while the old one is going out;
    # the second must still get the old one whole.
    p = Patch()
    d = p.obj("default a b c")
    trig = p.obj("t b")
    new = p.msg("x y z")
    p.connect(d, 0, trig)
    p.connect(trig, 0, new)
    p.connect(new, 0, d, 1)
    p.probe(d)
    p.send(d, "bang")
    p.send(d, "bang")
    r = p.run()
    assert r.messages(d) == [("a", ["b", "c"]), ("x", ["y", "z"])]


# ---- symbol2any -------------------------------------------------------------

def symbols_in(p, box, texts):
    """Sends each text as a symbol, through [list tosymbol] so that any bytes
    (spaces too) arrive as they are."""
    lb = p.obj("loadbang")
    prev = lb
    for t in texts:
        trig = p.obj("t b b")
        p.connect(prev, 0, trig)
        if t is None:
            p.connect(trig, 1, box)  # a bang
        elif t == "":
            m = p.msg("symbol")
            p.connect(trig, 1, m)
            p.connect(m, 0, box)
        else:
            m = p.msg("list " + " ".join(str(b) for b in t.encode()))
            conv = p.obj("list tosymbol")
            p.connect(trig, 1, m)
            p.connect(m, 0, conv)
            p.connect(conv, 0, box)
        prev = trig


def symbol2any(texts):
    p = Patch()
    box = p.obj("symbol2any")
    p.probe(box)
    symbols_in(p, box, texts)
    r = p.run()
    assert r.errors == [], r.text
    return r.messages(box)


@pytest.mark.platforms
def test_symbol2any_reads_text_as_a_message():
    assert symbol2any([None, "set 1 2", "1 2", "7", "a b ", "  x  1 ", None, "", None, "   ", None]) == [
        ("bang", []), ("set", [1, 2]), ("list", [1, 2]), ("float", [7]), ("a", ["b"]),
        ("x", [1]), ("x", [1]), ("bang", []), ("bang", [])]  # "   " sends nothing, nor its repeat


def test_only_words_the_host_reads_as_numbers_become_floats():
    words = ["nan", "inf", "-inf", "infinity", "+1", "-0x1A", "0x10", "1e", ".", "-"]
    assert symbol2any(words) == [(w, []) for w in words]
    assert symbol2any(["-.5", "1e3", "1.", "-2.5E-1", "1e999"]) == [
        ("float", [-0.5]), ("float", [1000]), ("float", [1]), ("float", [-0.25]),
        ("float", [math.inf])]
    # separate shares the reading: [list trim] shows a leading symbol as the selector.
    p = Patch()
    sep = p.obj("separate")
    trim = p.obj("list trim")
    p.connect(sep, 0, trim)
    p.probe(trim)
    symbols_in(p, sep, ["nan", "-0x1A 1", "+1", "2"])
    assert p.run().messages(trim) == [("nan", []), ("-0x1A", [1]), ("+1", []), ("list", [2])]


def test_symbol2any_long_text_and_nested_text():
    words = " ".join(f"w{i}" for i in range(10000))
    got_ = symbol2any([words, "1 " + words[:2000], words])
    assert got_[0] == ("w0", [f"w{i}" for i in range(1, 10000)]) and got_[2] == got_[0]
    assert got_[1][0] == "list" and got_[1][1][0] == 1
    # A receiver sends a longer text back in while the first result is still
    # going out; the second receiver must still get the first result.
    p = Patch()
    box = p.obj("symbol2any")
    gate = p.obj("spigot 1")
    trig = p.obj("t b b")
    close = p.msg("0")
    longer = p.msg("list " + " ".join(["113 32"] * 40))  # "q q q ..."
    conv = p.obj("list tosymbol")
    p.connect(box, 0, gate)
    p.connect(gate, 0, trig)
    p.connect(trig, 1, close)
    p.connect(close, 0, gate, 1)
    p.connect(trig, 0, longer)
    p.connect(longer, 0, conv)
    p.connect(conv, 0, box)
    p.probe(box)
    symbols_in(p, box, ["a b"])
    r = p.run()
    assert r.messages(box) == [("q", ["q"] * 39), ("a", ["b"])]


# ---- dollsym ----------------------------------------------------------------

def test_dollsym_expands_with_the_arguments_of_its_patch():
    run_ = Run()
    a = run_.abstraction("dabs")
    made = a.obj("dollsym 0 $1-x")  # expanded as the box is made
    own = a.obj("dollsym")
    up = a.obj("dollsym 1")
    sub = a.sub("inner")
    inner = sub.obj("dollsym")
    for canvas, box, name in ((a, made, "made"), (a, own, "own"), (a, up, "up"),
                              (sub, inner, "inner")):
        canvas.receive(box, "go")
        canvas.probe(box, name)
    # "$1-x" as text at run time: a dollar made by [makefilename].
    for canvas, box, text in ((a, own, "%c1-x"), (a, up, "%c1-x"), (sub, inner, "%c2-y")):
        mk = canvas.obj(f"makefilename {text}")
        canvas.receive(mk, "dollar")
        canvas.connect(mk, 0, box)
    a.receive(own, "word")
    run_.main.obj("dabs 5 b")
    run_.at(0, "go bang")
    run_.at(0, "dollar 36")
    run_.at(0, "word foo")
    run_.at(0, "word bar 1")
    r = run_.run()
    assert got(r, "made") == [("symbol", ["5-x"])]
    assert got(r, "own") == [("symbol", []), ("symbol", ["5-x"]), ("symbol", ["foo"])]
    assert got(r, "inner") == [("symbol", []), ("symbol", ["b-y"])]
    # One patch up is the top-level one, which has no arguments.
    assert got(r, "up")[0] == ("symbol", []) and got(r, "up")[1] != ("symbol", ["5-x"])
