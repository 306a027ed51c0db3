"""args, lb/loadbanger, click, receiver and retrieve in pd: arguments of
nested abstractions, load-time bangs, named receivers and retrieval through
other objects' connections."""
import os
import re
import sys

import pytest
from vpd import Patch

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "canvas"))
from nested import Run, got  # noqa: E402


def probes(res, *names):
    """(probe, selector, atoms) of the named probes, in arrival order."""
    out = []
    for line in res.lines:
        m = re.match(r"probe (\S+): (\S+) ?(.*)$", line)
        if m and m.group(1) in names:
            atoms = [float(a) if re.fullmatch(r"-?[\d.e+-]+", a) else a
                     for a in m.group(3).split()]
            out.append((m.group(1), m.group(2), atoms))
    return out


# ---- args -------------------------------------------------------------------

@pytest.mark.platforms
def test_args_reads_and_replaces_the_box_arguments(tmp_path):
    r = Run()
    a = r.abstraction("argsbox")
    x = a.obj("args")
    a.probe(x, "a")
    a.receive(x, "ain")
    r.main.obj("argsbox 1 foo 2")
    top = r.main.obj("args")
    r.main.probe(top, "top")
    r.main.receive(top, "tin")
    for msg in ("bang", "list 3 4", "bang"):
        r.at(0, "ain " + msg)
    # a top-level patch has no box: its (empty) arguments stay as they are
    for msg in ("list 5 6", "bang"):
        r.at(0, "tin " + msg)
    r.at(1, f"pd-main.pd savetofile first.pd {tmp_path}")
    for msg in ("list", "bang"):
        r.at(2, "ain " + msg)
    r.at(3, f"pd-first.pd savetofile second.pd {tmp_path}")  # saving renamed it
    res = r.run()
    assert res.errors == []
    assert got(res, "a") == [("list", [1, "foo", 2]), ("list", [3, 4]), ("list", [])]
    assert got(res, "top") == [("list", [])]
    assert "#X obj 10 10 argsbox 3 4;" in (tmp_path / "first.pd").read_text()
    assert "#X obj 10 10 argsbox;" in (tmp_path / "second.pd").read_text()


@pytest.mark.parametrize("arguments,want", [
    ("-a 1 -b 2 3", [("-a", [1]), ("-b", [2, 3])]),
    ("1 2 -c", [("list", [1, 2]), ("-c", [])]),
    ("-a -b -c", [("-a", []), ("-b", []), ("-c", [])]),
    ("x -", [("list", ["x"]), ("-", [])]),
    ("", [("list", [])]),
])
def test_args_cuts_at_separators(arguments, want):
    r = Run()
    a = r.abstraction("argscut")
    x = a.obj("args -")
    a.probe(x, "cut")
    a.receive(x, "go")
    r.main.obj(f"argscut {arguments}".strip())
    r.at(0, "go bang")
    assert got(r.run(), "cut") == want


def test_args_depth_reaches_enclosing_abstractions():
    r = Run()
    inner = r.abstraction("argsinner")
    for depth in ("", "1", "2", "9", "- 1"):
        x = inner.obj(f"args {depth}".strip())
        inner.probe(x, "d" + depth.replace(" ", ""))
        inner.receive(x, "go")
    outer = r.abstraction("argsouter")
    sub = outer.sub("s")  # a subpatch is no level of its own
    sub.obj("argsinner 1 2")
    r.main.obj("argsouter 7 -x 8")
    r.at(0, "go bang")
    res = r.run()
    assert got(res, "d") == [("list", [1, 2])]
    assert got(res, "d1") == [("list", [7, "-x", 8])]
    assert got(res, "d2") == got(res, "d9") == [("list", [])]
    assert got(res, "d-1") == [("list", [7]), ("-x", [8])]


# ---- lb / loadbanger -------------------------------------------------------------

@pytest.mark.platforms
@pytest.mark.parametrize("name", ["lb", "loadbanger"])
def test_lb_bangs_right_to_left_once_per_load(name):
    r = Run()
    m = r.main
    lb = m.obj(f"{name} 3")
    for o in range(3):
        m.probe(lb, f"o{o}", o)
    m.receive(lb, "lb")
    for msg in ("loadbang", "loadbang 0", "loadbang 1", "loadbang 2"):
        r.at(0, "lb " + msg)  # the load call came already
    r.at(1, "lb bang")
    r.at(2, "lb foo 1")
    r.at(3, "lb click 1 2 0 0 0")
    res = r.run()
    order = [p for p, _, _ in probes(res, "o0", "o1", "o2")]
    assert order == ["o2", "o1", "o0"] * 4
    assert res.errors == []


def test_lb_init_fires_at_initialisation_only_and_outlets_are_capped():
    r = Run()
    a = r.abstraction("lbinit")
    early = a.obj("lb -init")
    a.probe(early, "init")
    late = a.obj("lb")
    a.probe(late, "load")
    a.receive(early, "again")
    r.main.obj("lbinit")
    wide = r.main.obj("lb 100 -init")
    r.main.probe(wide, "last", 63)
    r.main.obj("lb 0")
    r.at(0, "again loadbang")
    r.at(0, "again loadbang 2")
    res = r.run()
    assert probes(res, "init", "load") == [("init", "bang", []), ("load", "bang", [])]
    assert got(res, "last") == [("bang", [])]
    assert res.errors == []


@pytest.mark.parametrize("text", ["1 2", "foo", "-init 2 3", "1 -init -init"])
def test_lb_improper_args(text):
    for name in ("lb", "loadbanger"):
        p = Patch()
        p.obj(f"{name} {text}")
        r = p.run()
        assert r.errors == [f"{name}: improper args"] and r.failed_to_create()


# ---- click -------------------------------------------------------------------

def test_click_bangs_each_object_of_the_canvas_in_creation_order():
    r = Run()
    a = r.abstraction("clk")
    for name in ("first", "second"):
        a.probe(a.obj("click"), name)
    s = a.sub("inner")
    s.probe(s.obj("click"), "root")  # 0: the abstraction, not the subpatch
    s.probe(s.obj("click 1"), "here")
    r.main.obj("clk")
    other = r.abstraction("clk2")
    other.probe(other.obj("click"), "other")
    r.main.obj("clk2")
    r.at(0, "pd-clk.pd click 10 10 0 0 0")
    res = r.run()
    assert [p for p, _, _ in probes(res, "first", "second", "root", "here", "other")] == \
        ["first", "second", "root"]


def test_click_adds_its_method_to_the_host_once():
    p = Patch()
    for _ in range(3):
        p.obj("click")
    r = p.run(extra_args=("-verbose",))
    assert sum("old method 'click'" in l for l in r.lines) == 1


# ---- receiver ----------------------------------------------------------------

@pytest.mark.platforms
def test_receiver_sends_on_and_rebinds():
    p = Patch()
    rc = p.obj("receiver a b")
    p.probe(rc)
    sender = p.msg("; a 1; b foo 2; b list 1 x; a symbol s; a bang")
    p.send(sender, "bang")
    for msg in ("bang", "symbol c", "bang"):
        p.send(rc, msg, at_ms=1)
    later = p.msg("; a 5; b 6; c 7")
    p.send(later, "bang", at_ms=2)
    for msg in ("list d e", "bang", "clear", "bang"):
        p.send(rc, msg, at_ms=3)
    last = p.msg("; d 1")
    p.send(last, "bang", at_ms=4)
    r = p.run(ms=5)
    assert [e.strip() for e in r.errors] == [
        "a: no such object", "b: no such object", "d: no such object"]
    assert r.messages(rc) == [
        ("float", [1]), ("foo", [2]), ("list", [1, "x"]), ("symbol", ["s"]), ("bang", []),
        ("list", ["a", "b"]), ("symbol", ["c"]), ("float", [7]), ("list", ["d", "e"])]


def test_receiver_errors():
    p = Patch()
    rc = p.obj("receiver a")
    p.probe(rc)
    empty = p.obj("symbol")  # sends the empty symbol
    m = p.msg("list $1 b, list x $1, bang")
    p.connect(empty, 0, m)
    for msg in ("list a b c", "list 1", "list y 2", "bang"):
        p.send(rc, msg)
    p.send(empty, "bang", at_ms=1)
    p.connect(m, 0, rc)
    make = p.msg("; pd-case.pd obj 10 10 receiver $1; pd-case.pd obj 10 10 receiver 1;"
                 " pd-case.pd obj 10 10 receiver a b c")
    p.connect(empty, 0, make)
    r = p.run(ms=5)
    assert [e for e in r.errors if "receiver" in e] == [
        "[receiver]: too many name arguments",
        "[receiver]: can't take float as a name argument",
        "[receiver]: can't take float as a name argument",
        "[receiver]: invalid symbol name",
        "[receiver]: invalid name symbol",
        "[receiver]: invalid symbol",
        "[receiver]: can't take float as an argument",
        "[receiver]: too many arguments"]
    # "y" stayed applied before the float; the empty second name left "x" alone
    assert r.messages(rc) == [("symbol", ["y"]), ("symbol", ["x"])]


# ---- retrieve ----------------------------------------------------------------

def retrieve_patch():
    p = Patch()
    get = p.obj("retrieve x")
    p.probe(get)
    return p, get


@pytest.mark.platforms
def test_retrieve_through_a_receiver_and_restores_the_connections():
    p, get = retrieve_patch()
    rx = p.obj("r x")
    f = p.obj("f 5")
    p.connect(rx, 0, f)
    own = p.probe(f)
    p.send(get, "bang")
    again = p.msg("; x bang")
    p.send(again, "bang", at_ms=1)
    p.send(get, "set y", at_ms=2)
    p.send(get, "bang", at_ms=2)
    p.send(get, "set", at_ms=3)  # the empty name is ignored
    p.send(get, "bang", at_ms=3)
    r = p.run(ms=5)
    assert r.errors == []
    assert r.messages(get) == [("float", [5])]
    assert r.messages(f) == [("float", [5])]  # only the later bang through x


def test_retrieve_from_several_objects_bound_to_one_name():
    p, get = retrieve_patch()
    for value in (1, 2):
        rx = p.obj("r x")
        f = p.obj(f"f {value}")
        p.connect(rx, 0, f)
        p.probe(f)
    rc = p.obj("receiver x")
    s = p.obj("symbol foo")
    p.connect(rc, 0, s)
    # inlet 1 is skipped with a complaint; inlet 0 of the same receiver is used
    rx = p.obj("r x")
    skipped, used = p.obj("f 7"), p.obj("f 3")
    p.connect(rx, 0, skipped, 1)
    p.connect(rx, 0, used)
    p.probe(used)
    dead_end = p.obj("r x")
    p.connect(dead_end, 0, p.obj("print nothing"))  # a target without outlets
    p.obj("send~ x")  # bound to the name, no outlet at all
    p.send(get, "bang")
    r = p.run()
    assert sorted(map(str, r.messages(get))) == sorted(map(str, [
        ("float", [1.0]), ("float", [2.0]), ("symbol", ["foo"]), ("float", [3.0])]))
    # the receiver's bang still reaches the skipped inlet, which takes floats only
    assert r.errors == ["[retrieve]: remote receive object must feed leftmost inlet",
                        "inlet: expected 'float' but got 'bang'"]
    assert r.messages(used) == []


def test_retrieve_from_a_number_box_with_a_receive_name():
    p = Patch()
    get = p.obj("retrieve num")
    p.probe(get)
    atom = p.raw("#X floatatom 10 300 5 0 0 0 - num - 0;")
    p.probe(atom)
    p.send(p.msg("; num set 9"), "bang")
    p.send(get, "bang")
    r = p.run()
    assert r.errors == []
    assert r.messages(get) == [("float", [9])] and r.messages(atom) == []


def test_retrieve_ignores_a_bang_that_comes_back_while_it_retrieves():
    p, get = retrieve_patch()
    rx = p.obj("r x")
    f = p.obj("f 5")
    p.connect(rx, 0, f)
    loop = p.obj("t b")
    p.connect(get, 0, loop)
    p.connect(loop, 0, get)
    p.send(get, "bang")
    r = p.run()
    assert r.errors == []
    assert r.messages(get) == [("float", [5])]


# ---- a patch closed and opened again ------------------------------------------------

def test_click_and_receiver_let_go_when_their_patch_closes():
    r = Run()
    clk = r.abstraction("clkabs")
    clk.probe(clk.obj("click"), "clicked")
    other = r.abstraction("other")
    other.obj("clkabs")
    other.probe(other.obj("receiver nm"), "got")
    for t, value in ((0, 1), (3, 3)):
        r.at(t, "pd open other.pd @DIR@")
        r.at(t, "pd-clkabs.pd click 0 0 0 0 0")
        r.at(t, f"nm {value}")
    r.at(1, "pd-other.pd menuclose 0")
    r.at(2, "nm 2")
    res = r.run()
    assert got(res, "clicked") == [("bang", [])] * 2
    assert got(res, "got") == [("float", [1]), ("float", [3])]
    assert [e.strip() for e in res.errors] == ["nm: no such object"]
