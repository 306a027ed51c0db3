"""The message routing classes in pd: which outlet each message takes, with
which selector and atoms, and in which order."""
import re

import pytest
from vpd import Patch, parse_message, probe_name


def order(r, box, outlets):
    """Every message from `box`, as (outlet, selector, atoms), in arrival order."""
    names = {probe_name(box, o): o for o in range(outlets)}
    out = []
    for line in r.lines:
        m = re.match(r"probe (\S+): (.*)$", line)
        if m and m.group(1) in names:
            out.append((names[m.group(1)],) + parse_message(m.group(2)))
    return out


def run(text, sends, outlets, setup=None):
    """Creates `text`, probes its outlets, sends (message, inlet) pairs in turn."""
    p = Patch()
    box = p.obj(text)
    for o in range(outlets):
        p.probe(box, o)
    for s in sends:
        msg, inlet = (s, 0) if isinstance(s, str) else s
        p.send(box, msg, inlet=inlet)
    if setup:
        setup(p, box)
    r = p.run()
    assert r.failed_to_create() == [] and r.errors == [], r.text
    return order(r, box, outlets)


def with_pointer(inlet=0):
    """Setup that sends one (head) pointer into the box after the other messages."""
    def setup(p, box):
        ptr = p.obj("pointer")
        p.connect(ptr, 0, box, inlet)
        p.send(ptr, "traverse pd-case.pd, bang")
    return setup


def creation_error(text):
    p = Patch()
    p.obj(text)
    r = p.run()
    return r.errors, bool(r.failed_to_create())


# ---- routeall ---------------------------------------------------------------

@pytest.mark.platforms
def test_routeall_routes_whole_messages_by_one_element():
    got = run("routeall 1 foo", [("1", 1), "bar 1 2", "list 5 foo", "bar", "list 7 1",
                                  "list 1"], 3)
    assert got == [(0, "bar", [1.0, 2.0]), (1, "list", [5.0, "foo"]), (2, "bar", []),
                   (0, "list", [7.0, 1.0]), (2, "list", [1.0])]  # last one too short


def test_routeall_index_zero_and_type_keywords():
    assert run("routeall", ["0", "3", "foo"], 2) == [
        (0, "list", [0.0]), (1, "list", [3.0]), (1, "foo", [])]
    assert run("routeall list", ["1 2", "7", "list a b", "list foo", "list"], 2) == [
        (0, "list", [1.0, 2.0]), (0, "list", [7.0]), (0, "list", ["a", "b"]),
        (1, "symbol", ["foo"]), (1, "bang", [])]
    assert run("routeall bang symbol foo", ["bang", "symbol x", "list foo", "foo 2"], 4) == [
        (0, "bang", []), (1, "symbol", ["x"]), (1, "symbol", ["foo"]), (2, "foo", [2.0])]
    # Past index 0 the type keywords never match and bangs and symbols are rejected.
    assert run("routeall bang symbol list", [("1", 1), "bang", "symbol x", "list 1 2"], 4) == [
        (3, "bang", []), (3, "symbol", ["x"]), (3, "list", [1.0, 2.0])]


def test_routeall_floats_match_only_float_keys_and_symbols_only_symbol_keys():
    # A symbol element reads as 0 and a float as "symbol" through the generic
    # readers; neither may match a key of the other type.
    assert run("routeall 0 symbol", [("1", 1), "foo bar", "list 1 5", "foo 0"], 3) == [
        (2, "foo", ["bar"]), (2, "list", [1.0, 5.0]), (0, "foo", [0.0])]
    assert run("routeall 0", ["list a 1", "foo", "list 0 a"], 2) == [
        (1, "list", ["a", 1.0]), (1, "foo", []), (0, "list", [0.0, "a"])]


def test_routeall_negative_and_huge_index_and_pointer():
    assert run("routeall 5", [("-3", 1), "5 1"], 2) == [(0, "list", [5.0, 1.0])]
    assert run("routeall 5", [("1e30", 1), "5 1", "a 5"], 2) == [
        (1, "list", [5.0, 1.0]), (1, "a", [5.0])]
    got = run("routeall 0", [], 2, setup=with_pointer())
    assert got == [(1, "list", ["(pointer)"])]  # handled as a one-atom list


# ---- routetype --------------------------------------------------------------

def test_routetype_outlets_follow_arguments_with_a_reject_outlet():
    got = run("routetype float symbol", ["1", "symbol a", "bang", "list 1 2", "foo 1"], 3,
              setup=with_pointer())
    assert got == [(0, "float", [1.0]), (1, "symbol", ["a"]), (2, "bang", []),
                   (2, "list", [1.0, 2.0]), (2, "foo", [1.0]), (2, "pointer", ["(pointer)"])]


def test_routetype_six_types_and_list_conversion():
    sends = ["bang", "2", "symbol s", "list 1 2", "foo 3", "list", "list 4", "list x"]
    got = run("routetype f b s l a p", sends, 6, setup=with_pointer())
    assert got == [(1, "bang", []), (0, "float", [2.0]), (2, "symbol", ["s"]),
                   (3, "list", [1.0, 2.0]), (4, "foo", [3.0]), (1, "bang", []),
                   (0, "float", [4.0]), (2, "symbol", ["x"]), (5, "pointer", ["(pointer)"])]


def test_routetype_repeated_type_and_no_reject_outlet():
    # Six arguments leave no reject outlet: other types are dropped.
    assert run("routetype f f f f f f", ["1", "bang", "foo"], 6) == [(5, "float", [1.0])]
    assert run("routetype list", ["1 2", "1"], 2) == [(0, "list", [1.0, 2.0]),
                                                      (1, "float", [1.0])]


def test_routetype_improper_args():
    for text in ("routetype float 1", "routetype flot", "routetype -f"):
        errors, failed = creation_error(text)
        assert failed and errors[:1] == ["routetype: improper args"], text


# ---- router -----------------------------------------------------------------

def test_router_passes_every_type_to_the_chosen_outlet():
    sends = ["bang", ("2.9", 1), "1", "symbol a", "list 1 2", "foo 3", ("1", 1), "list"]
    got = run("router 3", sends, 3, setup=with_pointer())
    assert got == [(0, "bang", []), (2, "float", [1.0]), (2, "symbol", ["a"]),
                   (2, "list", [1.0, 2.0]), (2, "foo", [3.0]), (1, "list", []),
                   (1, "pointer", ["(pointer)"])]


def test_router_drops_outside_its_outlets_and_clamps_the_count():
    assert run("router 3 3", ["1", ("-1", 1), "2", ("1e30", 1), "3", ("-1e30", 1), "4"], 3) == []
    assert run("router 1 1", ["1"], 2) == [(1, "float", [1.0])]  # at least 2 outlets
    assert run("router 1000 511", ["7"], 512)[-1] == (511, "float", [7.0])


# ---- selector ---------------------------------------------------------------

def test_selector_passes_only_the_active_inlet():
    sends = [("1", 0), ("2", 1), ("3", 2), ("0", 3), ("4", 0), ("5", 1),
             ("symbol x", 3), ("6", 0), ("2", 3), ("foo 7", 2), ("list 8 9", 2), ("bang", 2)]
    assert run("selector 3 1", sends, 1) == [
        (0, "float", [2.0]), (0, "float", [4.0]), (0, "float", [6.0]), (0, "foo", [7.0]),
        (0, "list", [8.0, 9.0]), (0, "bang", [])]


def test_selector_out_of_range_closes_every_inlet():
    sends = [("-1", 2), ("1", 0), ("2", 1), ("2", 2), ("1", 0), ("2", 1), ("1e30", 2), ("1", 1)]
    assert run("selector", sends, 1) == []
    assert run("selector 0 1", [("1", 1)], 1) == [(0, "float", [1.0])]  # clamped to 2 inlets


def test_selector_pointer_through_a_proxy_inlet():
    assert run("selector 2 1", [], 1, setup=with_pointer(1)) == [(0, "pointer", ["(pointer)"])]


# ---- break ------------------------------------------------------------------

@pytest.mark.platforms
def test_break_cuts_before_markers():
    assert run("break -", ["foo 1 -a 2 -b", "list -a 2", "foo -a", "list 1 -x", "list"], 1) == [
        (0, "foo", [1.0]), (0, "-a", [2.0]), (0, "-b", []), (0, "-a", [2.0]),
        (0, "foo", []), (0, "-a", []), (0, "list", [1.0]), (0, "-x", []), (0, "list", [])]


def test_break_long_separator_floats_symbols_and_no_separator():
    assert run("break ab", ["x ab1 a b abab 2", "symbol abc", "symbol a", "5", "bang"], 1) == [
        (0, "x", []), (0, "ab1", ["a", "b"]), (0, "abab", [2.0]), (0, "abc", []),
        (0, "symbol", ["a"]), (0, "float", [5.0]), (0, "bang", [])]
    assert run("break", ["foo -a 1", "list -a", "symbol -a", "3"], 1) == [
        (0, "foo", ["-a", 1.0]), (0, "list", ["-a"]), (0, "symbol", ["-a"]),
        (0, "float", [3.0])]


def test_break_handles_thousands_of_atoms():
    atoms = " ".join(f"{i} m{i}" for i in range(3000))
    got = run("break m", ["list " + atoms], 1)
    assert len(got) == 3001
    assert got[0] == (0, "list", [0.0]) and got[-1] == (0, "m2999", [])
    assert got[1000] == (0, "m999", [1000.0])


# ---- unmerge ----------------------------------------------------------------

@pytest.mark.platforms
def test_unmerge_groups_go_out_right_to_left():
    assert run("unmerge 2 2", ["1 2 3 4 5 6", "1 2 3", "7", "symbol s"], 3) == [
        (2, "list", [5.0, 6.0]), (1, "list", [3.0, 4.0]), (0, "list", [1.0, 2.0]),
        (1, "float", [3.0]), (0, "list", [1.0, 2.0]), (0, "float", [7.0]),
        (0, "symbol", ["s"])]


def test_unmerge_trim_and_messages_with_a_selector():
    assert run("unmerge 2 2 -trim", ["1 2 3 4 a 5", "b 1 c 2"], 3) == [
        (2, "a", [5.0]), (1, "list", [3.0, 4.0]), (0, "list", [1.0, 2.0]),
        (1, "c", [2.0]), (0, "b", [1.0])]
    assert run("unmerge 2 2", ["list 1 2 a 5 6", "b 1 c"], 3) == [
        (2, "float", [6.0]), (1, "list", ["a", 5.0]), (0, "list", [1.0, 2.0]),
        (1, "list", ["c"]), (0, "list", ["b", 1.0])]


def test_unmerge_group_size_from_the_right_inlet():
    # Size below 1 acts as 1; a huge size puts everything in group 0.
    assert run("unmerge 3", ["1 2 3 4"], 4) == [
        (3, "float", [4.0]), (2, "float", [3.0]), (1, "float", [2.0]), (0, "float", [1.0])]
    assert run("unmerge 2", [("2.9", 1), "1 2 3 4 5", ("-4", 1), "8 9 10"], 3) == [
        (2, "float", [5.0]), (1, "list", [3.0, 4.0]), (0, "list", [1.0, 2.0]),
        (2, "float", [10.0]), (1, "float", [9.0]), (0, "float", [8.0])]
    assert run("unmerge 512", [("1e30", 1), "1 2 3"], 513) == [(0, "list", [1.0, 2.0, 3.0])]


def test_unmerge_arguments():
    assert run("unmerge -trim 1", ["a 1 b 2"], 3) == [
        (2, "b", [2.0]), (1, "float", [1.0]), (0, "a", [])]
    # More than three arguments: all ignored, so 2 groups of 1 and no trim.
    assert run("unmerge 3 2 -trim 9", ["a 1 2"], 3) == [
        (2, "float", [2.0]), (1, "float", [1.0]), (0, "list", ["a"])]
    errors, failed = creation_error("unmerge 2 -trm")
    assert failed and errors[:1] == ["[unmerge]: improper args"]


# ---- separate ---------------------------------------------------------------

def separate(text, inputs, right=()):
    """Messages out of [text] for symbols `inputs`; `right` are (index, symbol)
    pairs sent to the right inlet before input number `index`."""
    p = Patch()
    box = p.obj(text)
    p.probe(box)
    lb = p.obj("loadbang")
    steps = []
    for i, t in enumerate(inputs):
        for at, s in right:
            if at == i:
                steps.append((s, 1))
        steps.append((t, 0))
    # One [list tosymbol] per step, fired in order by a chain of [t b b].
    prev = lb
    for t, inlet in steps:
        trig = p.obj("t b b")
        p.connect(prev, 0, trig, 0)
        codes = " ".join(str(b) for b in t.encode())
        m = p.msg(f"list {codes}" if codes else "symbol")
        conv = p.obj("list tosymbol")
        p.connect(trig, 1, m, 0)
        p.connect(m, 0, conv if codes else box, 0 if codes else inlet)
        if codes:
            p.connect(conv, 0, box, inlet)
        prev = trig
    r = p.run()
    assert r.errors == [] and r.failed_to_create() == [], r.text
    return r.messages(box)


@pytest.mark.platforms
def test_separate_at_spaces_with_numbers_and_symbols():
    assert separate("separate", ["1  2 foo", " 3 ", "0x10", "-2.5e1 nan1 1x", "   "]) == [
        ("list", [1.0, 2.0, "foo"]), ("list", [3.0]), ("list", ["0x10"]),
        ("list", [-25.0, "nan1", "1x"])]


def test_separate_empty_symbol_bangs():
    assert separate("separate", [""]) == [("bang", [])]


def test_separate_into_characters():
    assert separate("separate empty", ["ab3", "\u00e9a\u20ac"]) == [
        ("list", ["a", "b", 3.0]), ("list", ["\u00e9", "a", "\u20ac"])]


def test_separate_with_text_and_float_separators():
    assert separate("separate ,", ["a,,b,1,", ",x"]) == [("list", ["a", "b", 1.0]),
                                                           ("list", ["x"])]
    assert separate("separate 0.5", ["10.520.53"]) == [("list", [1.0, 2.0, 3.0])]


def test_separate_overlapping_separator_counts_as_it_splits():
    # "aa" inside "aaa...": each occurrence starts past the previous one, so
    # counting and splitting agree and the result fits its buffer.
    assert separate("separate aa", ["aaabaaaac", "xaaay"]) == [
        ("list", ["ab", "c"]), ("list", ["x", "ay"])]
    many = "b".join(["aaa"] * 400)
    assert separate("separate aa", [many]) == [("list", [t for t in many.split("aa") if t])]


def test_separate_right_inlet_sets_and_clears_the_separator():
    # Symbols with spaces would not read back from the console, hence "_".
    got = separate("separate", ["a-b_c", "a-b_c", "ab", "axb", "ab"],
                   right=[(1, "-"), (2, "empty"), (3, "x"), (4, "")])
    assert got == [("list", ["a-b_c"]), ("list", ["a", "b_c"]), ("list", ["a", "b"]),
                   ("list", ["a", "b"]), ("list", ["a", "b"])]


def test_separate_long_texts_grow_the_buffer():
    words = " ".join(f"w{i}" for i in range(1500))
    got = separate("separate", [words, "x y", words])
    assert got[0] == ("list", [f"w{i}" for i in range(1500)])
    assert got[1] == ("list", ["x", "y"]) and got[2] == got[0]
    chars = "xy" * 1500
    assert separate("separate empty", [chars]) == [("list", ["x", "y"] * 1500)]
    # "a" and "a@" share a slot of the table of recent symbols, one a prefix
    # of the other: each must still come out as itself.
    assert separate("separate", ["a a@ a a@ a@ a"]) == [("list", ["a", "a@", "a", "a@", "a@", "a"])]


# ---- slice ------------------------------------------------------------------

def test_slice_positive_and_negative_positions():
    assert run("slice 2", ["1 2 3 4", "1 2", "5", "symbol s"], 2) == [
        (1, "list", [3.0, 4.0]), (0, "list", [1.0, 2.0]), (0, "list", [1.0, 2.0]),
        (0, "float", [5.0]), (0, "symbol", ["s"])]
    assert run("slice -1", ["1 2 3 4", "5", "symbol s", ("-5", 1), "1 2 3 4", "list"], 2) == [
        (1, "list", [4.0]), (0, "list", [1.0, 2.0, 3.0]), (1, "float", [5.0]),
        (1, "symbol", ["s"]), (1, "list", [1.0, 2.0, 3.0, 4.0]), (1, "list", [])]
    assert run("slice", ["1 2", ("-1e30", 1), "1 2", ("1e30", 1), "1 2"], 2) == [
        (0, "list", [1.0, 2.0]), (1, "list", [1.0, 2.0]), (0, "list", [1.0, 2.0])]


# ---- spread -----------------------------------------------------------------

@pytest.mark.platforms
def test_spread_ranges():
    assert run("spread 0 10", ["-1", "0", "9.5", "10"], 3) == [
        (0, "float", [-1.0]), (1, "float", [0.0]), (1, "float", [9.5]), (2, "float", [10.0])]
    assert run("spread", ["-0.5", "0"], 2) == [(0, "float", [-0.5]), (1, "float", [0.0])]
    # Unsorted points: after the first, the first point above the value decides.
    assert run("spread 5 20 10", ["3", "7", "12", "25"], 4) == [
        (0, "float", [3.0]), (1, "float", [7.0]), (1, "float", [12.0]), (3, "float", [25.0])]


def test_spread_takes_only_floats():
    errors, failed = creation_error("spread 1 a")
    assert failed and errors[:1] == ["[spread]: takes only floats as arguments"]


def test_separate_result_survives_a_nested_message():
    # The first receiver sends a longer text back in while the first result is
    # still being delivered; the second receiver must still get the first result.
    p = Patch()
    sep = p.obj("separate")
    gate = p.obj("spigot 1")
    trig = p.obj("t b b")
    close = p.msg("0")
    nested = p.msg("list " + " ".join(str(b) for b in " ".join(f"n{i}" for i in range(40)).encode()))
    conv = p.obj("list tosymbol")
    p.connect(sep, 0, gate, 0)  # made first, so it receives first
    p.connect(gate, 0, trig, 0)
    p.connect(trig, 1, close, 0)
    p.connect(close, 0, gate, 1)
    p.connect(trig, 0, nested, 0)
    p.connect(nested, 0, conv, 0)
    p.connect(conv, 0, sep, 0)
    p.probe(sep)
    p.send(sep, "symbol a")
    r = p.run()
    assert r.messages(sep) == [("list", [f"n{i}" for i in range(40)]), ("list", ["a"])]
