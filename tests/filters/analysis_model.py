"""Reference models of the analysis and delay classes, from their formulas in
plain Python doubles, with f32() wherever a value is single precision."""
import math

from vpd import f32

SR = 44100.0
FLOOR = -999.0


def count_of(w, lo, hi):
    """A window or size as the classes read it: truncated, lo .. hi, NaN lo."""
    if w != w:
        return lo
    return max(lo, min(hi, int(max(min(w, 2.0**31), -2.0**31))))


def decibels(v, scale):
    if not v > 0:
        return FLOOR
    return 0.0 if v == 1 else f32(max(scale * math.log(v), FLOOR))


class Moving:
    """mov.avg~ (rms=False) or mov.rms~: the running sum over a ring."""

    def __init__(self, size, rms=False, mode=False):
        self.rms, self.mode = rms, mode
        self.resize(size)

    def resize(self, size):
        self.size, self.ring, self.window = size, [0.0] * size, 0
        self.clear()

    def clear(self):
        self.sum, self.count, self.pos = 0.0, 0, 0

    def step(self, x, w):
        v = x * x if self.rms else abs(x) if self.mode else x
        n = count_of(w, 1, self.size)
        if n != self.window:
            self.window = n
            self.clear()
        if not self.rms and n <= 1:
            return f32(v)
        self.sum += v
        if self.count < n:
            self.count += 1
        else:
            self.sum -= self.ring[self.pos]
        self.ring[self.pos] = v
        self.pos = (self.pos + 1) % n
        m = self.sum / n
        if not self.rms:
            return f32(m)
        r = math.sqrt(m) if m > 0 else 0.0
        if not self.mode:
            return f32(r)
        return FLOOR if r == 0 else f32(max(8.685889638065209 * math.log(r), FLOOR))


def median(block, size):
    out = []
    for start in range(0, len(block), size):
        seg = sorted(block[start:start + size], key=lambda v: (v != v, v))  # NaN last
        k = len(seg) // 2
        m = seg[k] if len(seg) % 2 else f32(f32(seg[k - 1] + seg[k]) * 0.5)
        out += [m] * len(seg)
    return out


def meter_periods(n, p, block, longest):
    npoints = 1024 if not n >= 1 else max(count_of(n, 1, longest), block)
    period = npoints // 2 if not p >= 1 else count_of(p, 1, 2**30)
    if period <= npoints // 32:
        period = npoints // 32 + 1
    return npoints, period


def whole_blocks(period, block):
    return period + (block - period % block) % block


def vu(xs, n=0, p=0, block=64):
    """[(peak dB, power dB)] of each report of a vu~, input in whole blocks."""
    npoints, period = meter_periods(n, p, block, 2**24)
    real = whole_blocks(max(period, block), block)
    w = [f32((1 - math.cos(6.28318 * k / npoints)) / npoints) for k in range(npoints)]
    w += [0.0] * max(block, 64)
    sums, phase, peak, reports = [0.0] * 33, 0, 0.0, []
    for b in range(0, len(xs), block):
        x = xs[b:b + block]
        peak = max([peak] + [abs(v) for v in x if v == v])
        j, offset = 0, phase
        while offset < npoints:
            for i in range(block):
                sums[j] = f32(sums[j] + f32(w[offset + i] * f32(x[block - 1 - i] ** 2)))
            j, offset = j + 1, offset + real
        sums[j] = 0.0
        phase -= block
        if phase < 0:
            reports.append((decibels(peak, 8.685889638065209),
                            decibels(sums[0], 4.3429448190326045)))
            sums = sums[1:] + [0.0]
            peak, phase = 0.0, real - block
    return reports


def big_or_small(x):
    return not 2.0**-63 <= abs(x) < 2.0**65


class Delay:
    """ffdelay~'s line of `size` samples: four-point cubic read from one
    sample of delay on, linear below."""

    SIXTH = f32(0.1666667)

    def __init__(self, size):
        self.size, self.buf, self.w = size, [0.0] * (size + 7), 3

    def step(self, x, d, frozen=False):
        d = d if d > 0 else 0.0
        cubic = d >= 1
        l = f32(d - 1) if cubic else d
        m, f = (int(l), f32(l - int(l))) if l < self.size - 1 else (self.size - 1, 0.0)
        if not frozen:
            self.buf[self.w] = 0.0 if big_or_small(x) else x
        r = self.w - m
        r += self.size + 4 if r < 3 else 0
        a, b, c, e = self.buf[r], self.buf[r - 1], self.buf[r - 2], self.buf[r - 3]
        self.w += 1
        if self.w == self.size + 7:
            self.buf[0:3], self.w = self.buf[self.size + 4:self.size + 7], 3
        if not cubic:
            return f32(a + f32(f * f32(b - a)))
        g = f32(f32(f32(a - e) + f32(3 * f32(c - b))) * f)
        g = f32(g + f32(f32(f32(3 * b) - e) - f32(2 * a)))
        g = f32(f32(self.SIXTH * f32(1 - f)) * g)
        return f32(b + f32(f * f32(f32(c - b) + g)))


def downsample(xs, rates, interpolate=False, sr=SR, phase=None):
    """The hold clock: rising phase takes a value at 1, falling at 0."""
    inv = 1.0 / sr
    phase = (1.0 if rates[0] >= 0 else 0.0) if phase is None else phase
    last = previous = 0.0
    out = []
    for x, r in zip(xs, rates):
        if r >= 0 and phase >= 1:
            phase, previous, last = phase - 1, last, x
        elif r < 0 and phase <= 0:
            phase, previous, last = phase + 1, last, x
        weight = 1 - phase if r < 0 else phase
        out.append(f32(previous + (last - previous) * weight) if interpolate else last)
        step = r * inv
        phase += max(-1.0, min(1.0, step)) if step == step else 0.0
    return out
