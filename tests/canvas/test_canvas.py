"""Canvas objects in the real host, batch mode: what the editor would send is
sent to the window names by the patch itself."""
import re

import pytest
from nested import Run, got
from vpd import f32


def errors(result):
    return [e.strip() for e in result.errors]


def printed(x):
    """x as a probe prints it: single precision, 9 significant digits."""
    return float(f"{f32(x):.9g}")


def floats(result, name):
    return [a[0] for s, a in got(result, name) if s == "float"]


@pytest.mark.platforms
def test_depth_walk_reaches_parents_and_stops_at_the_top():
    r = Run()
    m = r.main
    top = m.obj("canvas.wname")
    m.probe(top, "top")
    m.receive(top, "go")
    s1 = r.main.sub("s1", 37, 81)
    mid = s1.obj("canvas.wname")
    s1.probe(mid, "mid")
    s1.receive(mid, "go")
    s2 = s1.sub("s2")
    for depth in ("0", "1", "2", "5", "-3", "1.9", "1e10"):
        w = s2.obj(f"canvas.wname {depth}")
        s2.probe(w, "w" + depth)
        s2.receive(w, "go")
    for args in ("", "1", "2 x", "x 2", "1 2"):
        n = s2.obj(f"canvas.name {args}")
        s2.probe(n, "n" + args.replace(" ", "_"))
        s2.receive(n, "go")
    r.at(0, "go bang")
    res = r.run()
    name = lambda probe: got(res, probe)[0][1][0]
    top, mid, own = name("top"), name("mid"), name("w0")
    assert len({top, mid, own}) == 3
    assert all(re.fullmatch(r"\.x[0-9a-f]+", w) for w in (top, mid, own))
    assert [name("w" + d) for d in ("1", "2", "5", "-3", "1.9", "1e10")] == \
        [mid, top, top, own, mid, top]
    # canvas.name: the drawing widget; only a leading float is a depth
    assert [name("n" + a) for a in ("", "1", "2_x", "x_2", "1_2")] == \
        [own + ".c", mid + ".c", top + ".c", own + ".c", mid + ".c"]
    assert res.errors == []


def test_gop_and_pos_read_the_subpatch_settings():
    r = Run()
    m = r.main
    subs = [("a", 37, 81, (200, 140, 0, 0, 1)), ("b", 300, 20, (120, 60, 10, 20, 1)),
            ("c", 5, 400, (85, 60, 0, 0, 0)), ("d", -20, 7, None)]
    for name, x, y, gop in subs:
        s = m.sub(name, x, y)
        g = s.obj("canvas.gop")
        s.probe(g, "gop" + name)
        s.receive(g, "go")
        p = s.obj("canvas.pos")
        s.probe(p, "pos" + name)
        s.receive(p, "go")
        if gop:
            s.gop(*gop[:4], on=gop[4])
    inner = m.items[-1][0].sub("inner", 3, 4)
    p = inner.obj("canvas.pos 1")
    inner.probe(p, "pos_up")
    inner.receive(p, "go")
    r.at(0, "go bang")
    res = r.run()
    assert got(res, "gopa") == [("list", [1, 200, 140, 0, 0, 200, 140])]
    assert got(res, "gopb") == [("list", [1, 120, 60, 10, 20, 130, 80])]
    assert got(res, "gopc")[0][1][0] == 0
    assert got(res, "posa") == [("list", [37, 81])]
    assert got(res, "posb") == [("list", [300, 20])]
    assert got(res, "posd") == [("list", [-20, 7])]
    assert got(res, "pos_up") == [("list", [-20, 7])]


def test_setname_binds_the_canvas_and_unbinds_on_delete():
    r = Run()
    m = r.main
    s = m.sub("s1")
    s.obj("canvas.setname here")  # box 0
    s.obj("canvas.setname")  # empty name: nothing bound
    up = m.sub("s2").obj("canvas.setname above 1")
    assert up == 0
    # boxes placed through the name land in s1 and work
    r.at(0, "here obj 10 40 r hello")
    r.at(0, "here obj 10 70 vtest.probe got")
    r.at(0, "here connect 2 0 3 0")
    r.at(0, "hello 5")
    r.at(0, "above obj 10 10 r hello2")
    r.at(0, "above obj 10 10 vtest.probe top")
    r.at(0, "hello2 7")
    # clearing the canvas deletes the binder itself, inside the message
    r.at(1, "here clear")
    r.at(2, "here obj 10 10 f")
    res = r.run()
    assert got(res, "got") == [("float", [5])]
    assert errors(res) == ["here: no such object"]


def test_mouse_reports_clicks_relative_to_the_subpatch_box():
    r = Run()
    m = r.main
    s = m.sub("s1", 37, 81)
    mouse = s.obj("canvas.mouse 1 1")
    for o, name in ((0, "click"), (1, "x"), (2, "y")):
        s.probe(mouse, name, o)
    s.receive(mouse, "cmd")
    plain = s.obj("canvas.mouse 1")
    s.probe(plain, "plainx", 1)
    m.window_sender("win")
    r.show()
    for text in ("win mouse 100 200 1 0", "win motion 110 210 0", "win mouseup 110 210 1",
                 "win mouse 50 50 3 0",  # another button: no click, position kept
                 "cmd zero", "win mouse 50 50 1 0", "cmd reset",
                 "win mouse 10 20", "win motion 7", "win mouseup 1 1 0", "win mouse",
                 "win editmode 1", "win mouse 60 60 1 0", "win motion 61 61",
                 "win editmode 0", "win motion 40 90",
                 # the zoom of the window, not of the subpatch below, applies
                 "win zoom 2", "win mouse 200 400 1 0",
                 "win mouse 1e30 -1e30 1 0"):
        r.at(0, text)
    res = r.run()
    assert floats(res, "click") == [1, 0, 1, 1, 1]
    # a one-atom "motion" reports the last position; positions far off
    # screen saturate instead of overflowing
    assert floats(res, "x") == [63, 73, 0, -27, 3, 63, printed(1e9 - 37)]
    assert floats(res, "y") == [119, 129, 0, -61, 9, 119, printed(-1e9 - 81)]
    # y before x before the click, the order of a click, a motion, a release
    order = [l.split(":")[0][len("probe "):] for l in res.lines
             if l.startswith(("probe y:", "probe x:", "probe click:"))]
    assert order[:6] == ["y", "x", "click", "y", "x", "click"]
    assert floats(res, "plainx")[:2] == [100, 110]
    # the canvas itself may complain about the malformed ones; nothing else
    assert all("to object 'canvas'" in e for e in res.errors)


def test_edit_follows_edit_mode_and_object_placing():
    r = Run()
    m = r.main
    e = m.obj("canvas.edit")
    m.probe(e, "edit")
    m.receive(e, "cmd")
    m.window_sender("win")
    r.show()
    for text in ("cmd bang", "win editmode 1", "win editmode 1", "win editmode 0",
                 "win obj 300 300 f", "win msg 300 330", "win editmode 0",
                 "win selectall", "cmd loadbang 1", "cmd loadbang 0", "win editmode"):
        r.at(0, text)
    res = r.run()
    # at load 0; bang 0; 1; (same: nothing); 0; placing 1; (again nothing); 0;
    # selectall 1; loadbang 1 nothing; loadbang 0 reads the canvas
    assert floats(res, "edit") == [0, 0, 1, 0, 1, 0, 1, 1]
    assert res.errors == []


def test_zoom_sends_1_only_for_factor_2():
    r = Run()
    m = r.main
    z = m.obj("canvas.zoom")
    m.probe(z, "zoom")
    m.receive(z, "cmd")
    m.window_sender("win")
    r.show()
    for text in ("win zoom 2", "win zoom 2", "cmd bang", "win zoom 1", "win zoom 3",
                 "win zoom"):
        r.at(0, text)
    res = r.run()
    assert floats(res, "zoom") == [0, 1, 1, 0, 0]


def test_bounds_and_vis_follow_the_window():
    r = Run()
    m = r.main
    s = m.sub("s1")
    b = s.obj("canvas.bounds")
    s.probe(b, "bounds")
    v = s.obj("canvas.vis")
    s.probe(v, "vis")
    s.receive(v, "cmd")
    s.window_sender("win")
    for text in ("win setbounds 10 20 300 400", "win setbounds 1 2",
                 "win setbounds 10 20 300 400",  # a repeat: dropped
                 "cmd bang", "win map 1", "cmd bang", "win map 0", "win menuclose 0",
                 "cmd bang", "win setbounds 10 20 300 400"):  # unmapped: reported again
        r.at(0, text)
    res = r.run()
    assert got(res, "bounds") == [("list", [10, 20, 300, 400])] * 2
    # without an editor the host never really maps the window, so the bang
    # after "map 1" still reads 0
    assert floats(res, "vis") == [0, 1, 0, 0, 0, 0]


@pytest.mark.platforms
def test_fontsize_at_load_on_bang_on_change_and_through_abstractions():
    r = Run(font=16)
    m = r.main
    f = m.obj("fontsize")
    m.probe(f, "top")
    m.receive(f, "cmd")
    m.window_sender("win")
    a = r.abstraction("fsabs", font=10)
    for depth in ("0", "1", "-1"):
        x = a.obj(f"fontsize {depth}")
        a.probe(x, "abs" + depth)
    s = a.sub("inner")
    x = s.obj("fontsize")
    s.probe(x, "inner")
    m.obj("fsabs")
    for text in ("cmd bang", "win font 8 0 0", "cmd loadbang 2", "win font"):
        r.at(0, text)
    res = r.run()
    assert floats(res, "top") == [16, 16, 8]
    assert floats(res, "abs0") == [10]
    assert floats(res, "abs1") == [16, 8]  # listens to the patch's window
    assert floats(res, "abs-1") == [10]
    assert floats(res, "inner") == [10]  # a subpatch reports its abstraction's font


def test_properties_bangs_registered_objects_in_creation_order():
    r = Run()
    m = r.main
    a = m.sub("a", 40, 40)
    for name in ("first", "second"):
        a.probe(a.obj("properties 1"), name)
    # argument 0 inside a subpatch registers the top-level patch, not b
    b = m.sub("b", 300, 40)
    b.probe(b.obj("properties"), "root")
    m.sub("c", 40, 200)
    m.window_sender("win")
    r.show()
    r.at(0, "win done-popup 0 45 45")  # Properties on box a
    r.at(0, "win done-popup 0 305 45")  # box b and c: the host's own dialog
    r.at(0, "win done-popup 0 45 205")
    # the background of the top-level patch goes straight to the host's
    # dialog, past the canvas class: its [properties] stays silent
    r.at(0, "win done-popup 0 700 500")
    res = r.run()
    order = [l.split(":")[0] for l in res.lines if l.startswith("probe ")]
    assert order == ["probe first", "probe second"]
    assert res.errors == []


def test_active_compares_the_focused_widget_with_its_own():
    r = Run()
    m = r.main
    act = m.obj("canvas.active")
    m.probe(act, "act")
    s = m.sub("s1")
    other = s.obj("canvas.active")
    s.probe(other, "other")
    s.obj("canvas.active")  # a third, deleted below: the others keep listening
    s.obj("canvas.setname s1")
    m.window_sender("win")
    n = m.obj("canvas.name")
    m.receive(n, "focus")
    pack = m.obj("pack s f")
    m.receive(pack, "value", 1)
    tail = m.obj("list prepend _focus")
    trim = m.obj("list trim")
    send = m.obj("s #active_gui")
    m.connect(n, 0, pack)
    m.connect(pack, 0, tail)
    m.connect(tail, 0, trim)
    m.connect(trim, 0, send)
    for text in ("value 1", "focus bang",  # own window gains focus
                 "#active_gui _focus .x0.c 1",  # another window gains it
                 "#active_gui _focus .x0.c 1",
                 "focus bang",
                 "win mouse 1 1 3 0", "value 0", "focus bang",  # popup: kept
                 "win mouse 1 1 1 0", "focus bang",  # real loss
                 "s1 obj 10 10 f", "s1 clear",
                 "value 1", "focus bang"):
        r.at(0, text)
    res = r.run()
    assert floats(res, "act") == [1, 0, 1, 0, 1]
    assert got(res, "other") == []
    assert res.errors == []


def test_deleting_and_closing_while_the_editor_keeps_sending():
    r = Run()
    m = r.main
    # watchers in s1 listen to the top window; a top-level canvas.mouse, which
    # gets each window message first, deletes them in the middle of delivery
    s = m.sub("s1")
    for text in ("canvas.mouse 1", "canvas.edit 1", "canvas.zoom 1", "canvas.bounds 1",
                 "canvas.vis 1", "canvas.active 1", "fontsize 1"):
        s.probe(s.obj(text), "late")
    s.obj("canvas.setname s1")
    killer = m.obj("canvas.mouse")
    clear = m.msg("clear")
    m.connect(killer, 0, clear)
    m.connect(clear, 0, m.obj("s s1"))
    m.window_sender("win")
    # a second patch, closed by its own window's "menuclose"
    other = r.abstraction("other")
    for text in ("canvas.vis", "canvas.mouse", "fontsize", "canvas.edit"):
        other.probe(other.obj(text), "closed")
    lb = other.obj("loadbang")
    w = other.obj("canvas.wname")
    other.connect(lb, 0, w)
    other.connect(w, 0, other.obj("s otherwin"))
    aim = m.obj("send")
    m.receive(aim, "otherwin", 1)
    m.receive(aim, "towin")
    # a message box reports a name nobody listens to, unlike [send]
    name = m.obj("symbol")
    m.receive(name, "otherwin", 1)
    m.receive(name, "poke")
    poke = m.msg("; $1 mouse 5 5 1 0")
    m.connect(name, 0, poke)
    r.at(0, "pd open other.pd @DIR@")
    r.show("other.pd")
    r.at(0, "win mouse 5 5 1 0")
    for text in ("win mouse 5 5 1 0", "win editmode 1", "win zoom 2", "win font 10 0 0",
                 "win setbounds 1 2 3 4", "win map 1"):
        r.at(0, text)
    r.at(1, "towin menuclose 0")
    for text in ("towin mouse 5 5 1 0", "towin font 9 0 0", "towin editmode 1"):
        r.at(1, text)
    # the host keeps a placeholder of its own on a closed window's name for a
    # second; after that nothing of ours may still be bound there
    r.at(1500, "poke bang")
    res = r.run(ms=1600)
    assert floats(res, "late") == [0, 0, 12]  # edit, zoom and fontsize at load only
    # fontsize and edit at load; vis reports the close only if its proxy
    # hears "menuclose" before the canvas acts on it
    closed = [a for s_, a in got(res, "closed")]
    assert closed[:2] == [[10], [0]] and closed[2:] in ([], [[0]])
    assert len(res.errors) == 1 and re.fullmatch(r"\.x[0-9a-f]+: no such object",
                                                 errors(res)[0])
