"""Single-precision arithmetic for the filter models: F values round after
every operation as the host's float arithmetic does (a double result rounded
once to float is the float result), and the maths functions are the C
library's own single-precision ones, as the plug-ins call them."""
import ctypes
import math
import operator

from vpd import Patch, f32

_libm = ctypes.CDLL("libm.so.6")
for _name, _args in (("sinf", 1), ("tanf", 1), ("powf", 2)):
    getattr(_libm, _name).restype = ctypes.c_float
    getattr(_libm, _name).argtypes = [ctypes.c_float] * _args
_libm.sincosf.argtypes = [ctypes.c_float, ctypes.POINTER(ctypes.c_float),
                          ctypes.POINTER(ctypes.c_float)]

sinf, tanf, powf = _libm.sinf, _libm.tanf, _libm.powf
TINY = 1.1754943508222875e-38  # smallest normal float: the host flushes below it


class F(float):
    """A single-precision value; arithmetic with it stays single precision."""

    def __new__(cls, v):
        return float.__new__(cls, f32(v))

    def _op(fn, swap=False):
        return lambda a, b: F(fn(float(b), float(a)) if swap else fn(float(a), float(b)))

    __add__, __radd__ = _op(operator.add), _op(operator.add, True)
    __sub__, __rsub__ = _op(operator.sub), _op(operator.sub, True)
    __mul__, __rmul__ = _op(operator.mul), _op(operator.mul, True)
    __truediv__, __rtruediv__ = _op(operator.truediv), _op(operator.truediv, True)

    def __neg__(self):
        return F(-float(self))


def sincosf(x):
    s, c = ctypes.c_float(), ctypes.c_float()
    _libm.sincosf(x, ctypes.byref(s), ctypes.byref(c))
    return s.value, c.value


def narrow(y):
    """y as the host outputs it: float32, denormals flushed to zero."""
    y = f32(y)
    return math.copysign(0.0, y) if abs(y) < TINY else y


def same(a, b):
    """Equal as float32 values, NaN equal to NaN."""
    return len(a) == len(b) and all(x == y or (x != x and y != y) for x, y in zip(a, b))


def render(text, source="noise~", blocks=4, sends=(), params=(), outlets=1, sr=44100,
           source_sends=()):
    """Runs `source` into the box `text`: returns the input, each outlet's
    samples and each parameter signal's samples. `params` are (inlet, chain of
    boxes) feeding an inlet; `sends` are (message, inlet, block) to the box,
    `source_sends` (message, block) to the source."""
    p = Patch(sr=sr)
    src = p.obj(source)
    p.probe_signal(src)
    box = p.obj(text)
    p.connect(src, 0, box, 0)
    for k in range(outlets):
        p.probe_signal(box, k)
    ends = []
    for inlet, chain in params:
        boxes = [p.obj(t) for t in chain]
        for a, b in zip(boxes, boxes[1:]):
            p.connect(a, 0, b, 0)
        p.connect(boxes[-1], 0, box, inlet)
        p.probe_signal(boxes[-1])
        ends.append(boxes[-1])
    for message, inlet, at_block in sends:
        p.send(box, message, inlet=inlet, at_block=at_block)
    for message, at_block in source_sends:
        p.send(src, message, at_block=at_block)
    r = p.run(blocks=blocks)
    assert r.errors == [] and not r.failed_to_create(), r.text
    return r.samples(src), [r.samples(box, k) for k in range(outlets)], \
        [r.samples(b) for b in ends]
