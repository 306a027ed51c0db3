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
