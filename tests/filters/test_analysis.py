"""Moving averages, median, meters, delay and downsampling in pd, sample by
sample against the models of analysis_model.py."""
import math

import pytest
import vpd
from analysis_model import Delay, Moving, downsample, median, vu
from vpd import Patch, f32

BLOCK = 64
# Under this address space pd runs, but no block of 64 MB can be had.
TIGHT = 60 << 20


def chain(p, texts):
    """Boxes connected left to right; returns the first and the last."""
    boxes = [p.obj(t) for t in texts]
    for a, b in zip(boxes, boxes[1:]):
        p.connect(a, 0, b)
    return boxes[0], boxes[-1]


def through(box, source=("noise~",), blocks=3, events=(), right=None, **run):
    """Runs `source` into `box` (through [*~ 1], so that the box's output
    shares memory with its input); gives (input, output, result)."""
    p = Patch()
    first, src = chain(p, list(source) + ["*~ 1"])
    obj = p.obj(box)
    p.connect(src, 0, obj)
    p.probe_signal(src)
    p.probe_signal(obj)
    if right:
        _, r = chain(p, right)
        p.connect(r, 0, obj, 1)
        p.probe_signal(r)
    for at, msg, inlet in events:
        p.send(first if inlet == "source" else obj, msg, inlet=inlet if inlet != "source" else 0,
               at_block=at)
    res = p.run(blocks=blocks, **run)
    assert res.errors == []
    return res.samples(src), res.samples(obj), res, (res.samples(r) if right else None)


def nine(v):
    """A float as the probe prints it."""
    return float("%.9g" % v)


def same(a, b):
    return len(a) == len(b) and all(x == y or (x != x and y != y) for x, y in zip(a, b))


# ---- mov.avg~, mov.rms~ ------------------------------------------------------

# box, model (size, rms, mode), window inlet, message per block (a number goes
# to the window inlet)
MOVING = [
    ("mov.avg~ 16", (16,), 16, {}),
    ("mov.avg~ 16 -abs", (16, False, True), 16, {}),
    ("mov.rms~ 16", (16, True), 16, {}),
    ("mov.rms~ 100 -db", (100, True, True), 100, {1: "linear"}),
    ("mov.avg~", (100,), 1, {}),
    ("mov.avg~ -abs -size 8", (8, False, True), 1, {1: "5"}),
    ("mov.avg~ 8 -size 4", (4,), 8, {1: "abs 1"}),
    ("mov.avg~ 8", (8,), 8, {1: "size 3", 2: "clear"}),
    ("mov.rms~ 1000 -size 2000", (2000, True), 1000, {1: "db"}),
]


@pytest.mark.parametrize("box,model,window,changes", MOVING)
def test_moving_windows_follow_the_running_sum(box, model, window, changes):
    events = [(b, msg, 1 if msg[0].isdigit() else 0) for b, msg in changes.items()]
    xs, out, _, _ = through(box, events=events)
    m, want = Moving(*model), []
    for b in range(3):
        word, *arg = changes.get(b, "-").split()
        if word[0].isdigit():
            window = float(word)
        elif word in ("abs", "db", "linear"):
            m.mode = word == "db" or arg == ["1"]
        elif word == "size":
            m.resize(int(arg[0]))
        elif word == "clear":
            m.clear()
        want += [m.step(x, window) for x in xs[b * BLOCK:(b + 1) * BLOCK]]
    assert out == want


def test_window_of_four_ramps_up_and_restarts_on_a_new_window():
    _, out, _, _ = through("mov.avg~ 4", source=["sig~ 1"], blocks=2, events=[(1, "2", 1)])
    assert out[:5] == [0.25, 0.5, 0.75, 1.0, 1.0] and out[64:67] == [0.5, 1.0, 1.0]
    _, out, _, _ = through("mov.rms~ -db", source=["sig~ 0"], blocks=1)
    assert out == [-999.0] * BLOCK


# A NaN or an infinity leaves the sum once it has left the window.
@pytest.mark.parametrize("box,source,after", [
    ("mov.avg~ 4", ["sig~ 1e+39", "*~ 0", "+~ 1"], 1.0),
    ("mov.avg~ 4", ["sig~ 1e+39"], 2.0),
    ("mov.rms~ 4 -db", ["sig~ -1e+39"], f32(8.685889638065209 * math.log(2))),
])
def test_non_finite_input_leaves_the_sum_with_the_window(box, source, after):
    _, out, _, _ = through(box, source=source, blocks=3, events=[(1, "2", "source")])
    assert all(not math.isfinite(v) or v == -999 for v in out[:BLOCK + 3])
    assert out[BLOCK + 3:] == [after] * (2 * BLOCK - 3)


def test_huge_window_is_held_at_the_largest_buffer():
    _, out, _, _ = through("mov.avg~ 1e+39", source=["sig~ 1"], blocks=1)
    assert out == [f32((k + 1) / 192000000) for k in range(BLOCK)]


# ---- median~ -----------------------------------------------------------------

@pytest.mark.parametrize("box,sizes", [
    ("median~ 3", [3, 3]), ("median~ 4", [4, 64]), ("median~", [1, 2]), ("median~ 64", [64, 1]),
    ("median~ 0", [1, 1]),
])
def test_median_of_each_segment(box, sizes):
    # The second block takes a new size: 64 or more, 2.7 (2), 0 (1).
    text = {64: "100", 2: "2.7", 1: "0", 3: "3"}[sizes[1]]
    xs, out, _, _ = through(box, blocks=2, events=[(1, text, 1)])
    assert out == median(xs[:64], sizes[0]) + median(xs[64:], sizes[1])


def test_median_sorts_nan_above_every_number():
    # noise * 1e39 is +-inf; adding inf leaves inf or NaN
    xs, out, _, _ = through("median~ 5", source=["noise~", "*~ 1e+39", "+~ 1e+39"], blocks=1)
    assert any(x != x for x in xs) and same(out, median(xs, 5))


# ---- vu~, peak~ --------------------------------------------------------------

def meter_run(box, source, blocks, events=()):
    p = Patch()
    first, src = chain(p, source)
    m = p.obj(box)
    p.connect(src, 0, m)
    p.probe_signal(src)
    for k in range(2 if box.startswith("vu~") else 1):
        p.probe(m, k)
    for at, msg in events:
        p.send(m, msg, at_block=at)
    r = p.run(blocks=blocks)
    assert r.errors == []
    return r, m, r.samples(src)


@pytest.mark.parametrize("args,source", [
    ((0, 0), ["sig~ 1"]), ((0, 0), ["sig~ 0"]), ((128, 64), ["noise~"]), ((200, 1), ["noise~"]),
    ((1, 0), ["osc~ 1000"]), ((3000, 10000), ["noise~"]),
])
def test_vu_reports_windowed_power_and_peak(args, source):
    r, m, xs = meter_run("vu~ %g %g" % args, source, 40)
    want = vu(xs, *args)
    assert list(zip(r.floats(m, 1), r.floats(m, 0))) == [tuple(map(nine, w)) for w in want]
    if source == ["sig~ 1"]:
        assert want[2][0] == 0 and abs(want[2][1]) < 1e-5  # about 0 dB from the third on
    if source == ["sig~ 0"]:
        assert set(want) == {(-999.0, -999.0)}


def test_vu_set_starts_the_windows_over_with_new_settings():
    r, m, xs = meter_run("vu~ 128 64", ["noise~"], 12, events=[(4, "set 256 100")])
    want = vu(xs[:4 * BLOCK], 128, 64) + vu(xs[4 * BLOCK:], 256, 100)
    assert list(zip(r.floats(m, 1), r.floats(m, 0))) == [tuple(map(nine, w)) for w in want]


def test_meters_report_after_the_block_right_to_left():
    r, m, _ = meter_run("vu~ 64", ["sig~ 0.5"], 2)
    order = [l.split(":")[0] for l in r.lines if l.startswith("probe")]
    tail = [f"probe b{m.index}o1", f"probe b{m.index}o0"]
    assert order == [order[0]] * 4 + tail + [order[0]] * 4 + tail


# Counter input -1, -2, ...: the largest |x| of a period is its last sample.
@pytest.mark.parametrize("box,every,events", [
    ("peak~", 8, ()), ("peak~ 1024 256", 4, ()), ("peak~ 16 1", 1, ()),
    ("peak~ -db 256 100", 2, ()), ("peak~ 2048", 3, [(3, "set 0 130")]),
])
def test_peak_reports_the_largest_magnitude_of_each_period(box, every, events):
    # "set" restarts the phase: reports from its block on.
    r, m, xs = meter_run(box, ["sig~ -1", "rpole~ 1"], 12, events)
    ends = [0] + list(range(events[0][0] if events else every, 12, every))
    want = [-xs[(b + 1) * BLOCK - 1] for b in ends]
    if "-db" in box:
        want = [nine(f32(8.685889638065209 * math.log(v))) for v in want]
    assert r.floats(m) == want


# ---- ffdelay~ ----------------------------------------------------------------

# box, line size, unit (samples per unit of time), delay inlet per block (None:
# a signal, probed), the block from which the line is frozen
DELAYS = [
    ("ffdelay~ 0", 44100, f32(44.1), [0] * 3, None),
    ("ffdelay~ 0.5 -samps -size 10", 10, 1.0, [0.5] * 3, None),
    ("ffdelay~ 2.25 -samps -size 8", 8, 1.0, [2.25, 7.75, 100], None),
    ("ffdelay~ 1 -size 5", int(f32(5 * f32(44.1))), f32(44.1), [1, 0.01, 3], None),
    ("ffdelay~ 3 -samps -size 10", 10, 1.0, [3] * 3, 1),
    ("ffdelay~ -samps -size 20", 20, 1.0, None, None),
]


@pytest.mark.parametrize("box,size,unit,delays,frozen", DELAYS)
def test_delay_reads_the_line_with_cubic_interpolation(box, size, unit, delays, frozen):
    events = [(b, f"{delays[b]!r}", 1) for b in (1, 2)] if delays else []
    events += [(frozen, "freeze 1", 0)] if frozen else []
    right = ["osc~ 900", "*~ 9", "+~ 9.5"] if delays is None else None
    xs, out, _, ds = through(box, blocks=3, events=events, right=right)
    line = Delay(size)
    want = [line.step(x, f32((ds[i] if ds else delays[i // BLOCK]) * unit),
                      frozen is not None and i // BLOCK >= frozen) for i, x in enumerate(xs)]
    assert out == want


def test_default_line_holds_one_second():
    _, out, _, _ = through("ffdelay~", source=["sig~ 1", "rpole~ 1"], blocks=700,
                           events=[(0, "1e+09", 1)])
    assert out[44099:44102] == [0.0, 1.0, 2.0]


def test_delay_size_and_clear_messages():
    _, out, _, _ = through("ffdelay~ 100 -samps", source=["sig~ 1"], blocks=3,
                           events=[(1, "size 10", 0), (2, "clear", 0)])
    assert out[:64] == [0.0] * 64  # 100 samples not reached yet
    assert out[64:74] == [0.0] * 10 and out[74:128] == [1.0] * 54  # held at 10 samples
    assert out[128:138] == [0.0] * 10 and out[138:] == [1.0] * 54


# ---- downsample~ -------------------------------------------------------------

@pytest.mark.parametrize("box,rate,interpolate,events", [
    ("downsample~", 44100.0, False, ()), ("downsample~ 22050", 22050.0, False, ()),
    ("downsample~ 22050 1", 22050.0, True, ()), ("downsample~ 10000", 10000.0, False,
                                                  [(1, "interp 1", 0)]),
    ("downsample~ -7000 1", -7000.0, True, ()), ("downsample~ 0", 0.0, False, ()),
    ("downsample~ 1e+39", math.inf, False, ()), ("downsample~ 3 1", None, True, ()),
])
def test_downsample_holds_at_the_rate(box, rate, interpolate, events):
    right = ["osc~ 100", "*~ 30000"] if rate is None else None
    xs, out, _, rs = through(box, blocks=2, events=events, right=right)
    rates = rs if rate is None else [rate] * len(xs)
    start = 0.0 if rate is not None and rate < 0 else 1.0
    want = downsample(xs, rates, interpolate, phase=start)
    if events:  # interpolation from the second block on
        want = want[:64] + downsample(xs, rates, True, phase=start)[64:]
    assert out == want
    if box == "downsample~ 22050":
        assert out[:4] == [xs[0], xs[0], xs[2], xs[2]]
    if box == "downsample~":
        assert out == xs


# ---- arguments and allocation ----------------------------------------------

@pytest.mark.parametrize("box,error", [
    ("mov.avg~ -abs 3", "[mov.avg~]: improper args"), ("mov.avg~ -size", "[mov.avg~]: improper args"),
    ("mov.avg~ 3 -db", "[mov.avg~]: improper args"), ("mov.rms~ 2 -size 3 4", "[mov.rms~]: improper args"),
    ("peak~ 3 foo", "rms~: improper args"), ("ffdelay~ -samps 3", "[ffdelay~]: improper args"),
    ("ffdelay~ 3 -size -samps", "[ffdelay~]: improper args"), ("downsample~ 3 x", "[downsample~]: improper args"),
])
def test_improper_args(box, error):
    p = Patch()
    p.obj(box)
    r = p.run()
    assert r.errors == [error] and r.failed_to_create()


def subpatch_with_block(p, block, box):
    p.lines += ["#N canvas 0 0 300 200 sub 0;", f"#X obj 10 10 block~ {block};",
                f"#X obj 10 40 {box};"]
    p.raw("#X restore 10 400 pd sub;")  # one box on the top level


# Each run in an address space with no room for 64 MB: the object reports,
# keeps what it had and goes on.
@pytest.mark.skipif(vpd.PD_WRAPPER != "", reason="the limit would bind the wrapper")
@pytest.mark.parametrize("box,message,error,check", [
    ("mov.avg~ 4", "size 192000000",
     "[mov.avg~]: couldn't allocate a buffer of 192000000 samples; keeping 4",
     lambda r, b: r.samples(b)[:5] == [0.25, 0.5, 0.75, 1.0, 1.0]),
    ("mov.rms~ -size 1e+09", "2000",
     "[mov.rms~]: couldn't allocate a buffer of 192000000 samples; keeping 1024",
     lambda r, b: r.samples(b)[1023] == 1.0 and r.samples(b)[0] == 0.03125),
    ("vu~ 128", "set 16777216", "[vu~]: couldn't allocate buffer",
     lambda r, b: len(r.floats(b)) == 16),
    ("vu~ 16777216", None, "[vu~]: couldn't allocate buffer", lambda r, b: r.failed_to_create()),
    ("ffdelay~ 1e+09 -samps", "1e+09", "unable to resize buffer; using size of 192000 samples",
     lambda r, b: r.samples(b) == [0.0] * 64 * 16),
    ("block~ 8388608", "vu~", "vu~: out of memory", lambda r, b: True),
])
def test_failed_allocation_keeps_the_object_safe(box, message, error, check):
    p = Patch()
    if box.startswith("block~"):
        subpatch_with_block(p, box.split()[1], message)
        p.dsp = True
        obj = None
    else:
        one = p.obj("sig~ 1")
        obj = p.obj(box)
        p.connect(one, 0, obj)
        if box.startswith("vu~"):
            p.probe(obj)
            p.dsp = True
        else:
            p.probe_signal(obj)
        if message:
            p.send(obj, message, inlet=0 if message.startswith(("size", "set")) else 1)
    r = p.run(blocks=16, address_space=TIGHT)
    assert r.returncode == 0 and r.errors == [error] and check(r, obj)
