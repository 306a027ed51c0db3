"""Reference model of the unit conversions, rounding and mixing classes, and
a way to feed them chosen samples (NaN and infinities included)."""
import math
import struct

from vpd import f32

WHOLE = 2.0 ** 23
HALF_PI = 1.5707963267948966
INF, NAN = math.inf, math.nan


def _round(op):
    def rounded(x):
        return x if not abs(x) < WHOLE else float(op(x))
    return rounded


def rint(x):
    return x if not abs(x) < WHOLE else math.copysign(float(round(abs(x))), x)


def cents(x):
    if x != x:
        return x
    return -INF if x <= 0 else f32(1200 * math.log2(x))


def ratio(x):
    try:
        return f32(2.0 ** (x * 0.0008333333535119891))
    except OverflowError:
        return INF


def power(x, e):
    try:
        return f32(x ** e if x >= 0 else -((-x) ** e))
    except OverflowError:
        return INF if x >= 0 else -INF
    except ZeroDivisionError:  # 0 to a negative power
        return INF


def conversions(sr):
    """Class name (signal and message alike) -> f of a float."""
    return {
        "rint": rint, "floor": _round(math.floor), "ceil": _round(math.ceil),
        "trunc": _round(math.trunc), "ratio2cents": cents, "cents2ratio": ratio,
        "hz2rad": lambda x: f32(x * f32(6.283185307179586 / sr)),
        "rad2hz": lambda x: f32(x * f32(sr * 0.15915494309189535)),
    }


def same(a, b):
    """Equal as the host's floats are: bit for bit (signed zeros apart), any NaN alike."""
    if a != a or b != b:
        return a != a and b != b
    return struct.pack("<f", a) == struct.pack("<f", b)


def feed(p, values, name="feed"):
    """A signal box whose first block (and every later one) plays `values`
    (at most 64): [tabreceive~] of the values times [tabreceive~] of ones,
    with an infinity times 0 where a NaN is wanted. The box feeds nothing
    else, so the host may hand its buffer on as the next box's output."""
    n = len(values)
    assert n <= 64
    pad = [0.0] * (64 - n)
    a = [("1e39" if v != v or v == INF else "-1e39" if v == -INF else repr(v)) for v in values]
    b = ["0" if v != v else "1" for v in values]
    for suffix, cells in (("a", a), ("b", b)):
        p.obj(f"table {name}{suffix} 64")
        lb = p.obj("loadbang")
        m = p.msg(f"; {name}{suffix} 0 " + " ".join(cells + ["0"] * len(pad)))
        p.connect(lb, 0, m)
    ra, rb = p.obj(f"tabreceive~ {name}a"), p.obj(f"tabreceive~ {name}b")
    times = p.obj("*~")
    p.connect(ra, 0, times)
    p.connect(rb, 0, times, 1)
    return times


def unit(v):
    """A control value limited to -1..1, NaN as -1."""
    return -1.0 if not v >= -1 else min(v, 1.0)


def saturate(x, d):
    return f32(math.tanh(x * (d if d > 0 else 0.0)))


def bend(x, d):
    if x >= 1 or x <= -1:
        return math.copysign(1.0, x)
    a = d if d > 0 else 0.0
    if a < 1:
        return f32(x * a)
    return f32(1 - (1 - x) ** a if x > 0 else (x + 1) ** a - 1)


def crossfade(a, b, mix):
    e = f32((unit(mix) + 1) * 0.5)
    far = b * math.sin(e * HALF_PI)
    return f32(far if e == 1 else a * math.cos(e * HALF_PI) + far)


def xgate(x, p, count, index_mode):
    out = [0.0] * count
    p = f32(p * (1 if index_mode else count - 1))
    if not p > 0:
        out[0] = x
    elif p >= count - 1:
        out[-1] = x
    else:
        k = int(p)
        f = f32(p - k)
        out[k], out[k + 1] = f32(x * math.cos(f * HALF_PI)), f32(x * math.sin(f * HALF_PI))
    return out


def pan4(s, x, y):
    u = f32((unit(x) + 1) * 0.5)
    if not y >= -1:
        front, back = s, 0.0
    elif y > 1 or f32((y + 1) * 0.5) == 1:
        front, back = 0.0, s
    else:
        v = f32((y + 1) * 0.5)
        front, back = f32(s * math.cos(v * HALF_PI)), f32(s * math.sin(v * HALF_PI))
    cu, su = math.cos(u * HALF_PI), math.sin(u * HALF_PI)
    left = [0.0, 0.0] if u == 1 else [f32(front * cu), f32(back * cu)]
    return left + [f32(back * su), f32(front * su)]


def cmul(ar, ai, br, bi):
    return (f32(f32(ar * br) - f32(ai * bi)), f32(f32(ai * br) + f32(ar * bi)))
