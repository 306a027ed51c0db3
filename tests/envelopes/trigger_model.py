"""Trigger classes sample by sample, and a runner that plays given samples
into a box in pd. Each model takes the box's creation arguments, one list of
samples per signal inlet and the messages to the left inlet by sample index,
and returns one list per outlet."""
import math

from vpd import BLOCK, Patch, f32

INF = float("inf")
NAN = float("nan")


def ms_to_samples(ms, sr):
    x = f32(f32(ms) * f32(sr * 0.001))
    if x != x:
        return 0
    return int(f32(x + 0.49999997)) if x >= 0 else int(f32(x - 0.49999997))


def rise(p, x):
    return p <= 0 and x > 0


def onset(p, x):
    return p == 0 and x != 0


def flt(word, default=0.0):
    return float(word) if word is not None else default


def arg(args, k, default=0.0):
    return float(args[k]) if k < len(args) else default


def trig_delay(args, ins, events, sr, ignore_while_active=False):
    xs, ms = ins
    q, active, out = 0, False, []
    for x, m in zip(xs, ms):
        d = ms_to_samples(m, sr)
        if d < q:
            active = False
        if ignore_while_active:
            if active:
                out.append(1.0 if d == q else 0.0)
                q += 1
            elif x == 1:
                active, q = True, 1
                out.append(1.0 if d == 0 else 0.0)
            else:
                out.append(0.0)
        elif x == 1:
            active, q = True, 0
            out.append(1.0 if d == 0 else 0.0)
        elif active:
            q += 1
            out.append(1.0 if d == q else 0.0)
        else:
            out.append(0.0)
    return [out]


def timed_gate(args, ins, events, sr):
    xs, ms = ins
    level = arg(args, 1) or 1.0
    retrigger = arg(args, 2) != 0
    q = ms_to_samples(max(arg(args, 0), 0), sr) + 1
    p, out = 0.0, []
    for i, (x, m) in enumerate(zip(xs, ms)):
        for e in events.get(i, []):
            w = e.split()
            if w[0] == "bang":
                q = 0
            elif w[0] == "retrigger":
                retrigger = float(w[1]) != 0
            elif w[0] != "ms":  # ms goes to the right inlet's scalar: part of `ms`
                level, q = f32(float(w[0])), 0
        d = ms_to_samples(m, sr)
        q += 1
        is_open = q <= d
        if (retrigger or not is_open) and onset(p, x):
            level, q = x, 0
        out.append(level if is_open else 0.0)
        p = x
    return [out]


def pulsecount(args, ins, events, sr):
    xs, resets = ins

    def limit(f):
        m = math.trunc(f)
        return -1 if m < 1 else m

    m, n, p, out = limit(arg(args, 0)), 0.0, 1.0, []
    for i, (x, r) in enumerate(zip(xs, resets)):
        for e in events.get(i, []):
            m = limit(float(e.split()[1]))
        if r > 0:
            n = 0.0
        if rise(p, x):
            n = f32(n + 1)
            if m > 0 and n >= m + 1:
                n = f32(math.fmod(n, m + 1) + 1)
        out.append(n)
        p = x
    return [out]


def pulsediv(args, ins, events, sr):
    xs, resets = ins
    div = arg(args, 0)
    div = div if div > 1 else 1.0
    start = f32(arg(args, 1) - 1)
    k, p, out = start, 1.0, []
    for i, (x, r) in enumerate(zip(xs, resets)):
        for e in events.get(i, []):
            w, f = e.split()[0], float(e.split()[1])
            if w == "div":
                div = f if f > 1 else 1.0
            elif math.isfinite(f):
                start = f
        t = rise(p, x)
        if r > 0:
            k = start
        k = f32(k + t)
        if k >= 0:
            k = f32(math.fmod(k, div))
            out.append(1.0 if t and k == 0 else 0.0)
        else:
            out.append(0.0)
        p = x
    return [out]


def gate2imp(args, ins, events, sr):
    p, out = 0.0, []
    for x in ins[0]:
        out.append(x if onset(p, x) else 0.0)
        p = x
    return [out]


def trighold(args, ins, events, sr):
    p, held, out = 0.0, 0.0, []
    for x in ins[0]:
        if onset(p, x):
            held = x
        out.append(held)
        p = x
    return [out]


def toggleff(args, ins, events, sr):
    s, start, p, out = 0.0, arg(args, 0) != 0, 0.0, []
    for x in ins[0]:
        if start:
            s, start = 1.0, False
        elif rise(p, x):
            s = math.fmod(s + 1, 2)
        out.append(s)
        p = x
    return [out]


def sh(args, ins, events, sr):
    xs, gs = ins
    nums = [float(a) for a in args if a != "-tr"]
    threshold, held = (nums + [0, 0])[:2]
    trigger = "-tr" in args or (len(nums) > 2 and nums[2] != 0)
    pg, pending, out = 0.0, False, []
    for i, (x, g) in enumerate(zip(xs, gs)):
        for e in events.get(i, []):
            w = e.split()
            if w[0] == "bang":
                pending = True
            elif w[0] == "set":
                held = f32(float(w[1]))
            elif w[0] == "thresh":
                threshold = f32(float(w[1]))
            else:
                trigger = w[0] == "trigger"
        if pending:
            held, pending = x, False
        if trigger:
            if pg <= threshold and g > threshold:
                held = x
        elif g > threshold:
            held = x
        out.append(held)
        pg = g
    return [out]


def schmitt(args, ins, events, sr):
    state, out = 0.0, []
    for x, lo, hi in zip(*ins):
        state = 1.0 if x > lo and (x >= hi or state == 1) else 0.0
        out.append(state)
    return [out]


def zerocross(args, ins, events, sr):
    p, outs = 0.0, ([], [], [])
    for i, x in enumerate(ins[0]):
        up = i > 0 and rise(p, x)
        down = i > 0 and rise(-p, -x)
        for o, v in zip(outs, (up, down, up or down)):
            o.append(1.0 if v else 0.0)
        p = x
    return list(outs)


def changed(args, ins, events, sr):
    p, out = 0.0, []
    for x, t in zip(*ins):
        delta = abs(f32(x - p))
        out.append(1.0 if (delta > 0 if t < 0 else delta > t) else 0.0)
        p = x
    return [out]


def changed2(args, ins, events, sr):
    p, last, changes, directions = 0.0, 0.0, [], []
    for x in ins[0]:
        d = 1.0 if x > p else -1.0 if x < p else 0.0
        changes.append(1.0 if d != 0 and d != last else 0.0)
        directions.append(d)
        last, p = d, x
    return [changes, directions]


def detect(args, ins, events, sr):
    unit = args[0] if args else "samps"
    q, period, p, out = 0, 0, 0.0, []
    for x in ins[0]:
        if rise(p, x):
            period, q = q, 1
        else:
            q += 1
        out.append(f32({"samps": period, "ms": period * 1000 / sr,
                        "hz": sr / period if period else 0.0,
                        "bpm": 60 * sr / period if period else 0.0}[unit]))
        p = x
    return [out]


def status(args, ins, events, sr):
    p, on, off = (1.0 if arg(args, 0) != 0 else 0.0), [], []
    for x in ins[0]:
        on.append(1.0 if onset(p, x) else 0.0)
        off.append(1.0 if p != 0 and x == 0 else 0.0)
        p = x
    return [on, off]


def lastvalue(args, ins, events, sr):
    a, b, out = f32(arg(args, 0)), 0.0, []
    for x in ins[0]:
        b = b if x == a else a
        out.append(b)
        a = x
    return [out]


def above(args, ins, events, sr):
    p, up, down = 0.0, [], []
    for x, t in zip(*ins):
        up.append(1.0 if p <= t < x else 0.0)
        down.append(1.0 if p > t >= x else 0.0)
        p = x
    return [up, down]


def range_(args, ins, events, sr):
    lo, hi, los, his = INF, -INF, [], []
    for i, (x, r) in enumerate(zip(*ins)):
        if events.get(i):  # "reset"
            lo, hi = INF, -INF
        if r != 0:
            lo, hi = (x, x) if x == x else (INF, -INF)
        else:
            lo = x if x <= lo else lo
            hi = x if x > hi else hi
        los.append(lo)
        his.append(hi)
    return [los, his]


# class: (model, signal inlets, outlets, default scalar of each extra inlet from the arguments)
CLASSES = {
    "trig.delay~": (trig_delay, 2, 1, lambda a: [arg(a, 0)]),
    "trig.delay2~": (lambda *a: trig_delay(*a, ignore_while_active=True), 2, 1,
                     lambda a: [arg(a, 0)]),
    "timed.gate~": (timed_gate, 2, 1, lambda a: [max(arg(a, 0), 0)]),
    "pulsecount~": (pulsecount, 2, 1, lambda a: [0.0]),
    "pulsediv~": (pulsediv, 2, 1, lambda a: [0.0]),
    "gate2imp~": (gate2imp, 1, 1, None),
    "trighold~": (trighold, 1, 1, None),
    "toggleff~": (toggleff, 1, 1, None),
    "sh~": (sh, 2, 1, lambda a: [0.0]),
    "schmitt~": (schmitt, 3, 1, lambda a: [arg(a, 0), arg(a, 1)]),
    "zerocross~": (zerocross, 1, 3, None),
    "changed~": (changed, 2, 1, lambda a: [max(arg(a, 0), 0)]),
    "changed2~": (changed2, 1, 2, None),
    "detect~": (detect, 1, 1, None),
    "status~": (status, 1, 2, None),
    "lastvalue~": (lastvalue, 1, 1, None),
    "above~": (above, 2, 2, lambda a: [arg(a, 0)]),
    "range~": (range_, 2, 2, lambda a: [0.0]),
}


def as_samples(signal, count):
    """A list of samples (padded with its last value), or a constant."""
    if isinstance(signal, (int, float)):
        return [f32(signal)] * count
    s = [f32(v) for v in signal]
    return (s + [s[-1]] * count)[:count]


def play(text, inputs, events=(), blocks=2, sr=44100):
    """Runs the box `text` with `inputs` (inlet: samples or constant) played
    into its signal inlets from sample 0 on; `events` are (block, message,
    inlet). Infinities in the samples are played as NaN (inf + inf * 0).
    Returns one list of output samples per outlet."""
    name = text.split()[0]
    _, _, outlets, _ = CLASSES[name]
    count = blocks * BLOCK
    p = Patch(sr=sr)
    box = p.obj(text)
    for inlet, signal in inputs.items():
        if isinstance(signal, (int, float)):
            src = p.obj(f"sig~ {signal!r}")
        else:
            values = as_samples(signal, count)
            table = f"in{inlet}"
            p.obj(f"array define {table} {count}")
            words = " ".join("1e39" if v != v else repr(v) for v in values)
            p.events.append((0.0, -2, table, f"0 {words}"))  # before the first block
            src = p.obj(f"tabplay~ {table}")
            p.events.append((0.0, -1, f"__play{inlet}", "bang"))
            r = p.obj(f"r __play{inlet}")
            p.connect(r, 0, src)
            if any(v != v for v in values):
                zero = p.obj("*~ 0")
                nan = p.obj("+~")
                p.connect(src, 0, zero)
                p.connect(src, 0, nan)
                p.connect(zero, 0, nan, 1)
                src = nan
        p.connect(src, 0, box, inlet)
    for at, message, inlet in events:
        p.send(box, message, inlet=inlet, at_block=at)
    for k in range(outlets):
        p.probe_signal(box, k)
    r = p.run(blocks=blocks)
    assert r.errors == [] and not r.failed_to_create(), r.text
    return [r.samples(box, k) for k in range(outlets)]


def model(text, inputs, events=(), blocks=2, sr=44100):
    """The model's outputs for what `play` runs: messages to inlet 0 at their
    sample; floats to other inlets set those inlets' scalars from then on."""
    words = text.split()
    fn, inlets, _, scalars = CLASSES[words[0]]
    count = blocks * BLOCK
    args = words[1:]
    defaults = scalars(args) if scalars else []
    columns = []
    for k in range(inlets):
        columns.append(as_samples(inputs.get(k, defaults[k - 1] if k else 0.0), count))
    by_sample = {}
    for at, message, inlet in events:
        w = message.split()
        if inlet == 0 and words[0] == "timed.gate~" and w[0] == "ms":
            if float(w[1]) >= 0:
                columns[1][at * BLOCK:] = [f32(float(w[1]))] * (count - at * BLOCK)
        elif inlet == 0:
            by_sample.setdefault(at * BLOCK, []).append(message)
        else:
            columns[inlet][at * BLOCK:] = [f32(float(message))] * (count - at * BLOCK)
    return fn(args, columns, by_sample, sr)
