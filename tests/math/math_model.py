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
