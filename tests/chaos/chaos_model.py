"""Reference models of the chaotic generators, written from their formulas in
plain Python doubles, with f32() wherever a value is narrowed to float."""
import math

from vpd import f32

SR = 44100.0
TWO_PI = 6.283185307179586


def clock(rates, iterate, emit, phase=1.0, single=False, sr=SR):
    """The iteration clock: a list of output samples for a list of rate samples."""
    inv = f32(1.0 / f32(sr)) if single else 1.0 / f32(sr)
    out = []
    for f in rates:
        f = f32(f)
        if f >= 0:
            if phase >= 1:
                phase -= 1
                iterate()
        elif phase <= 0:
            phase += 1
            iterate()
        out.append(emit(phase))
        v = f32(f * inv) if single else f * inv
        phase += max(-1.0, min(1.0, v))
    return out


def held(step, state, output):
    """A map whose output is held between iterations: step(state) -> state."""
    s = {"state": state, "out": output(state)}

    def iterate():
        s["state"] = step(s["state"])
        s["out"] = output(s["state"])

    return iterate, lambda t: f32(s["out"])


def run_map(name, rate, n, state=None, **coeffs):
    """Output of a held map at a constant rate; coefficients override defaults."""
    step, default, out = MAPS[name](**coeffs)
    iterate, emit = held(step, default if state is None else state, out)
    return clock([rate] * n, iterate, emit, 1.0 if rate >= 0 else 0.0, single=(name == "ikeda"))


def fbsine2(im=1.0, fb=0.1, a=1.1, c=0.5):
    return (lambda s: (math.sin(fb * s[0] + im * s[1]), math.fmod(a * s[1] + c, TWO_PI)),
            (0.1, 0.1), lambda s: s[0])


def latoocarfian(a=1.0, b=3.0, c=0.5, d=0.5):
    return (lambda s: (math.sin(b * s[1]) + c * math.sin(b * s[0]),
                       math.sin(a * s[0]) + d * math.sin(a * s[1])),
            (0.5, 0.5), lambda s: s[0])


def henon(a=f32(1.4), b=f32(0.3)):
    def step(s):
        x, y = s
        nx = f32(1.0 - a * x * x + b * y)
        if abs(nx) == 1.5:
            return s
        return (nx, x) if -1.5 < nx < 1.5 else (0.0, 0.0)
    return step, (0.0, 0.0), lambda s: s[1]


def ikeda(u=f32(0.75)):
    def step(s):
        x, y = s
        t = f32(0.4 - 6.0 / (x * x + y * y + 1.0))
        nx = f32(1.0 + u * (x * math.cos(t) - y * math.sin(t)))
        return nx, f32(u * (nx * math.sin(t) + y * math.cos(t)))
    return step, (0.0, 0.0), lambda s: s[0]


def gbman():
    return (lambda s: (f32(f32(abs(s[0]) - s[1]) + 1.0), s[0]),
            (f32(1.2), f32(2.1)), lambda s: s[0])


def cusp(a=1.0, b=f32(1.9)):
    return lambda s: a - b * math.sqrt(abs(s)), 0.0, lambda s: s


def floored(s, m):
    r = math.fmod(s, m)
    return r + m if (r < 0 if m > 0 else r > 0) else r


def lincong(a=f32(1.1), c=f32(0.13), m=1.0):
    def step(x):
        s = a * x + c
        return floored(s, 1.0) if m == 1 else floored(s, m) * (2.0 / m) - 1.0
    return step, 0.0, lambda x: x


def logistic(p=0.5):
    p = min(1.0, max(0.0, p))
    return lambda x: (p + 3.0) * (1.0 - x) * x, 0.5, lambda x: 2.0 * x - 1.0


def standard(k=1.0):
    def step(s):
        x, y = s
        ny = math.fmod(y + k * math.sin(x), TWO_PI)
        nx = math.fmod(x + ny, TWO_PI)
        return (nx + TWO_PI if nx < 0 else nx), ny
    return step, (0.5, 0.0), lambda s: (s[0] - 3.141592653589793) * 0.3183098861837907


def quad(a=1.0, b=-1.0, c=-0.75):
    return lambda x: x * (a * x + b) + c, 0.0, lambda x: x


MAPS = dict(fbsine2=fbsine2, latoocarfian=latoocarfian, henon=henon, ikeda=ikeda, gbman=gbman,
            cusp=cusp, lincong=lincong, logistic=logistic, standard=standard, quad=quad)


def lorenz(rates, s=10.0, r=28.0, b=2.667, h=0.05, state=(0.1, 0.0, 0.0)):
    """lorenz~'s output: RK4 steps, x interpolated between them, times 0.04."""
    st = {"p": state, "prev": state[0], "dx": 0.0}

    def deriv(p):
        x, y, z = p
        return (s * (y - x), x * (r - z) - y, x * y - b * z)

    def iterate():
        p = st["p"]
        k1 = [h * v for v in deriv(p)]
        k2 = [h * v for v in deriv([p[i] + k1[i] * 0.5 for i in range(3)])]
        k3 = [h * v for v in deriv([p[i] + k2[i] * 0.5 for i in range(3)])]
        k4 = [h * v for v in deriv([p[i] + k3[i] * 1.0 for i in range(3)])]
        d = [(k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + k4[i]) * 0.1666666666666667 for i in range(3)]
        st["prev"], st["dx"] = p[0], d[0]
        st["p"] = tuple(p[i] + d[i] for i in range(3))

    return clock(rates, iterate, lambda t: f32((st["dx"] * t + st["prev"]) * 0.04),
                 1.0 if rates[0] >= 0 else 0.0)
