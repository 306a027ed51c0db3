"""Reference model of the random generators, to predict outputs bit for bit."""
import struct

M = 0xFFFFFFFF


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def int_part(x):
    if x != x:
        return 0
    return max(-2**31, min(2**31 - 1, int(x)))


def random_hash(k):
    k = (k + (~(k << 15) & M)) & M
    k ^= k >> 10
    k = (k + (k << 3)) & M
    k ^= k >> 6
    k = (k + (~(k << 11) & M)) & M
    return k ^ (k >> 16)


class Taus:
    def __init__(self, seed):
        h = random_hash(int_part(seed) & M)
        self.s1 = h ^ 0x4A1FCF79
        self.s1 = self.s1 if self.s1 >= 2 else 0x4A1FCF79
        self.s2 = h ^ 0xB86271CC
        self.s2 = self.s2 if self.s2 >= 8 else 0xB86271CC
        self.s3 = h ^ 0x6C986D11
        self.s3 = self.s3 if self.s3 >= 16 else 0x6C986D11

    def step(self):
        s1, s2, s3 = self.s1, self.s2, self.s3
        s1 = (((s1 & 0xFFFFFFFE) << 12) & M) ^ ((((s1 << 13) & M) ^ s1) >> 19)
        s2 = (((s2 & 0xFFFFFFF8) << 4) & M) ^ ((((s2 << 2) & M) ^ s2) >> 25)
        s3 = (((s3 & 0xFFFFFFF0) << 17) & M) ^ ((((s3 << 3) & M) ^ s3) >> 11)
        self.s1, self.s2, self.s3 = s1, s2, s3
        return s1 ^ s2 ^ s3

    def bipolar(self):
        bits = (self.step() >> 9) | 0x40000000
        return struct.unpack("<f", struct.pack("<I", bits))[0] - 3.0


def signed(v):
    return v - 2**32 if v & 0x80000000 else v


def clipnoise(seed, n):
    t = Taus(seed)
    return [1.0 if t.bipolar() > 0 else -1.0 for _ in range(n)]


def brown(seed, n, b=0.0):
    t, out = Taus(seed), []
    for _ in range(n):
        b = f32(b + f32(t.bipolar() * 0.125))
        if b > 1:
            b = f32(2 - b)
        if b < -1:
            b = f32(-2 - b)
        out.append(b)
    return out


def gray(seed, n):
    t = Taus(seed)
    reg, out = t.s1 ^ t.s2 ^ t.s3, []
    for _ in range(n):
        reg ^= 1 << (t.step() & 31)
        out.append(f32(signed(reg) * 2.0**-31))
    return out


class Pink:
    def __init__(self, seed, count):
        self.t = Taus(seed)
        self.count = count
        self.refill()

    def refill(self):
        self.table = [self.t.bipolar() for _ in range(self.count)]
        self.sum = 0.0
        for v in self.table:
            self.sum = f32(self.sum + v)

    def run(self, n):
        g, out = f32(1.0 / (self.count + 1)), []
        for _ in range(n):
            r = self.t.step()
            k = 32 - r.bit_length()
            x = self.t.bipolar()
            if k < self.count:
                self.sum = f32(f32(self.sum + x) - self.table[k])
                self.table[k] = x
            w = self.t.bipolar()
            out.append(f32(f32(w + self.sum) * g))
        return out


def lcg_value(v):
    return f32(float((v & 0x7FFFFFFF) - 0x40000000) * 2.0**-30)


def lcg_step(v):
    return (v * 435898247 + 382842987) & M


def rand_f(word, low, high, n):
    out = []
    for _ in range(n):
        u = lcg_value(word)
        out.append(f32(low + f32(f32(u + 1) * f32(f32(high - low) * 0.5))))
        word = lcg_step(word)
    return out


def int_lcg_counter(m):
    return (m * 435898247 + 938284287) & M


def rand_i(state, lo, hi, n):
    a, b = int_part(lo), int_part(hi) + 1
    a, b = min(a, b), max(a, b)
    out = []
    for _ in range(n):
        if b == a:
            out.append(float(a))
            continue
        r = min(int(state * 2.0**-32 * (b - a)), b - a - 1)
        out.append(f32(a + r))
        state = (state * 472940017 + 832416023) & M
    return out


def chance_values(word, total, n):
    out = []
    for _ in range(n):
        out.append(f32(f32(lcg_value(word) + 1) * f32(0.5 * total)))
        word = lcg_step(word)
    return out


# ---- Rate-driven generators ------------------------------------------------

def counter_words(start, count, factor=1319):
    """The words a class counter hands to its next `count` instances."""
    out = []
    for _ in range(count):
        start = (start * factor) & M
        out.append(start)
    return out


def clock(rates, event, emit, phase, syncs=None, limit=1.0, hooks=None, sr=44100):
    """The iteration clock: per sample, hooks[i]() (a message before sample i),
    event() when due (or on a sync sample of exactly 1.0), then
    emit(i, phase, step, fired, falling); returns the emitted values."""
    inv, out = 1.0 / f32(sr), []
    for i, f in enumerate(rates):
        if hooks and i in hooks:
            hooks[i]()
        f, fired = f32(f), False
        if f == f and syncs is not None and syncs[i] == 1.0:
            phase, fired = (0.0 if f >= 0 else 1.0), True
        elif f >= 0 and phase >= 1:
            phase, fired = phase - 1, True
        elif f < 0 and phase <= 0:
            phase, fired = phase + 1, True
        if fired:
            event()
        v = max(-limit, min(limit, f * inv)) if f == f else 0.0
        out.append(emit(i, phase, v, fired, f < 0))
        phase += v
    return out


def start_phase(rates):
    return 1.0 if f32(rates[0]) >= 0 else 0.0


class Line:
    """The random line of lfnoise~, rampnoise~, stepnoise~ and randpulse2~."""

    def __init__(self, word):
        self.current = 0.0
        self.start(word)

    def start(self, w):
        self.next, self.word = lcg_value(w), lcg_step(w)

    def draw(self):
        self.current = self.next
        self.start(self.word)

    def ramp(self, phase, falling):
        d = f32(self.next - self.current)
        return f32(self.current + d * (1 - phase if falling else phase))


def line(word, rates, ramps, syncs=None, seeds=()):
    """Output of a line generator; `seeds` maps a sample to a "seed" before it."""
    ln = Line(word)
    hooks = {i: (lambda s=s: ln.start((int_part(s) * 1319) & M)) for i, s in dict(seeds).items()}
    return clock(rates, ln.draw,
                 lambda i, t, v, fired, falling: ln.ramp(t, falling) if ramps else ln.current,
                 start_phase(rates), syncs, hooks=hooks)


def randpulse2(word, rates, flag, seeds=(), flags=()):
    """randpulse2~; `seeds` and `flags` map a sample to a "seed" or "rand" before it."""
    ln, s = Line(word), {"last": 0.0, "flag": flag}
    hooks = {i: (lambda v=v: setattr(ln, "word", (int_part(v) * 1319) & M)) for i, v in seeds}
    hooks.update({i: (lambda v=v: s.update(flag=v)) for i, v in flags})

    def emit(i, t, v, fired, falling):
        level = ln.ramp(t, falling)
        if level > 0 and s["last"] == 0:
            s["last"] = lcg_value(ln.word) if s["flag"] else 1.0
            ln.word = lcg_step(ln.word) if s["flag"] else ln.word
        elif not level >= 0:
            s["last"] = 0.0
        return s["last"]
    return clock(rates, ln.draw, emit, start_phase(rates), hooks=hooks)


def randpulse(word, rates, widths, syncs=None, seeds=()):
    """randpulse~; `seeds` map a sample to a "seed" before it."""
    s = {"word": word, "value": 0.0}
    hooks = {i: (lambda v=v: s.update(word=lcg_step((int_part(v) * 1319) & M))) for i, v in seeds}

    def draw():
        s["value"], s["word"] = lcg_value(s["word"]), lcg_step(s["word"])

    def emit(i, t, v, fired, falling):
        w = max(0.0, min(1.0, widths[i]))
        on = (not fired and (t + v <= 0 or t <= w)) if falling else \
            (fired or not (t + v >= 1 or t > w))
        return s["value"] if on else 0.0
    return clock(rates, draw, emit, 1.0 if f32(rates[0]) > 0 else 0.0, syncs, 0.5, hooks)


def dust(word, densities, bipolar, seeds=(), sr=44100):
    """dust~ or dust2~; `seeds` map a sample to a "seed" before it."""
    inv_sr, last, out, seeds = f32(1.0 / f32(sr)), 0.0, [], dict(seeds)
    for i, d in enumerate(densities):
        word = (int_part(seeds[i]) * 1319) & M if i in seeds else word
        g = f32(f32(d) * inv_sr)
        scale = f32((2.0 if bipolar else 1.0) / g) if g > 0 else 0.0
        r = f32(f32(lcg_value(word) + 1) * 0.5)
        word = lcg_step(word)
        impulse = f32(r * scale) - (1.0 if bipolar else 0.0)
        last = f32(impulse) if r < g and last == 0 else 0.0
        out.append(last)
    return out


def triggered(triggers, bangs, draw, fixed=lambda i: None, hooks=None):
    """Held values of a triggered draw: draw(i) at a zero crossing or at the
    first sample after a bang; while fixed(i) gives a value, that is held and
    a bang waits. hooks[i]() runs before sample i (a message)."""
    prev, pending, held, out = 0.0, False, 0.0, []
    for i, t in enumerate(triggers):
        if hooks and i in hooks:
            hooks[i]()
        pending = pending or i in bangs
        if fixed(i) is not None:
            held = fixed(i)
        elif pending or (t > 0 and prev <= 0) or (t < 0 and prev >= 0):
            held, pending = draw(i), False
        prev = t
        out.append(held)
    return out


def rand_f_signal(word, triggers, lows, highs, bangs=()):
    """rand.f~ over per-sample bounds."""
    s = [word]

    def draw(i):
        u, s[0] = lcg_value(s[0]), lcg_step(s[0])
        return f32(f32(f32(f32(u + 1) * 0.5) * f32(highs[i] - lows[i])) + lows[i])
    return triggered(triggers, bangs, draw)


def rand_i_signal(state, triggers, lows, highs, bangs=(), seeds=()):
    """rand.i~ over per-sample bounds; `state` is the integer-LCG state and
    `seeds` map a sample to a "seed" before it."""
    s = [state]

    def bounds(i):
        return sorted((int_part(lows[i]), int_part(highs[i]) + 1))

    def draw(i):
        a, b = bounds(i)
        r, s[0] = int(s[0] * 2.0**-32 * (b - a)), (s[0] * 472940017 + 832416023) & M
        return f32(a + r)
    hooks = {i: (lambda v=v: s.__setitem__(0, int_part(v) & M)) for i, v in seeds}
    return triggered(triggers, bangs, draw,
                     lambda i: float(bounds(i)[0]) if bounds(i)[0] == bounds(i)[1] else None,
                     hooks)
