"""Nested patches for the canvas tests: subpatches with known box positions
and graph-on-parent settings, abstractions written beside the main patch, and
messages sent at load (or later) to receivers and to window names."""

import os
import tempfile

from vpd import escape, run_pd


class Canvas:
    def __init__(self, name=None, font=12):
        self.name = name
        self.font = font
        self.items = []  # lines or (Canvas, x, y)
        self.count = 0
        self.conns = []
        self.coords = None

    def obj(self, text, x=10, y=10):
        self.items.append(f"#X obj {x} {y} {escape(text)};")
        self.count += 1
        return self.count - 1

    def msg(self, text, x=10, y=10):
        self.items.append(f"#X msg {x} {y} {escape(text)};")
        self.count += 1
        return self.count - 1

    def sub(self, name, x=10, y=10):
        c = Canvas(name)
        self.items.append((c, x, y))
        c.index = self.count
        self.count += 1
        return c

    def gop(self, width, height, xmargin=0, ymargin=0, on=1):
        self.coords = f"#X coords 0 -1 1 1 {width} {height} {on} {xmargin} {ymargin};"

    def connect(self, a, outlet, b, inlet=0):
        self.conns.append((a, outlet, b, inlet))

    def probe(self, box, name, outlet=0):
        p = self.obj(f"vtest.probe {name}")
        self.connect(box, outlet, p)
        return p

    def receive(self, box, name, inlet=0):
        r = self.obj(f"r {name}")
        self.connect(r, 0, box, inlet)
        return r

    def window_sender(self, name, depth=0):
        """[r name] -> [send] aimed at the window name of this canvas (or a
        parent): what the editor would send arrives through it."""
        lb = self.obj("loadbang")
        w = self.obj(f"canvas.wname {depth}")
        s = self.obj("send")
        self.connect(lb, 0, w)
        self.connect(w, 0, s, 1)
        self.receive(s, name)
        return s

    def lines(self, top=True):
        if top:
            out = [f"#N canvas 0 0 800 600 {self.font};"]
        else:
            out = [f"#N canvas 0 0 400 300 {self.name} 0;"]
        for item in self.items:
            if isinstance(item, tuple):
                c, x, y = item
                out += c.lines(top=False)
                out.append(f"#X restore {x} {y} pd {c.name};")
            else:
                out.append(item)
        out += [f"#X connect {a} {b} {c} {d};" for a, b, c, d in self.conns]
        if self.coords:
            out.append(self.coords)
        return out


class Run:
    """A main patch plus abstractions, with timed messages; run once."""

    def __init__(self, font=12):
        self.main = Canvas(font=font)
        self.abstractions = {}
        self.events = []

    def abstraction(self, name, font=10):
        c = Canvas(font=font)
        self.abstractions[name] = c
        return c

    def at(self, ms, text):
        """`text` is "receiver message..."; same-time events keep their order."""
        self.events.append((ms, len(self.events), text))

    def show(self, patch="main.pd", ms=0):
        """Maps a top-level patch's window as the editor does once it has drawn
        it. Before that, Pd 0.56 leaves the canvas deaf to its window name in
        batch mode (0.53 connects it as soon as the patch opens)."""
        self.at(ms, f"pd-{patch} map 1")

    def run(self, ms=10, timeout=60):
        main = self.main
        times = {}
        for t, _, text in sorted(self.events):
            times.setdefault(t, []).append(f"\\; {escape(text)}")
        times.setdefault(ms, []).append("\\; pd quit")
        lb = main.obj("loadbang", 700, 10)
        for t in sorted(times):
            m = main.msg(" ".join(times[t]), 700, 40)
            # escape() would double the backslashes already placed
            main.items[-1] = f"#X msg 700 40 {' '.join(times[t])};"
            if t == 0:
                main.connect(lb, 0, m)
            else:
                d = main.obj(f"delay {t!r}", 700, 70)
                main.connect(lb, 0, d)
                main.connect(d, 0, m)
        with tempfile.TemporaryDirectory() as tmp:
            for name, c in self.abstractions.items():
                with open(os.path.join(tmp, name + ".pd"), "w") as f:
                    f.write("\n".join(c.lines()) + "\n")
            path = os.path.join(tmp, "main.pd")
            text = "\n".join(main.lines()).replace("@DIR@", tmp) + "\n"
            with open(path, "w") as f:
                f.write(text)
            return run_pd(["-open", path], text, timeout)


def got(result, name):
    """Messages recorded by [vtest.probe name], as (selector, atoms)."""
    return result._messages.get(name, [])
