#!/usr/bin/env python3
"""Makes help patches from their sources: NAME-help.txt -> NAME-help.pd.

    scripts/helppatch.py                       # every source in the tree
    scripts/helppatch.py classes/oscillators/saw~-help.txt
    scripts/helppatch.py --check               # fails if a patch differs from its source

A source holds a compact description (header line, see-also list, about text,
inlets, outlets, arguments, flags) and the hand-made live example. The frame
around the example (header with the object box, [pd reference], see-also
boxes, footer) is laid out here, the same in every patch. The format is
described in tests/README.md, "Help patches".
"""
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)

import pdpatch  # noqa: E402

FONT = 12
CW, LH = pdpatch.FONTS[FONT]
TESTED_WITH = "Pd 0.53.1 and 0.56-5"
MIN_WIDTH = 620
MARGIN = 20
REF_WIDTH = 600

# Families in the order the overview shows them: class folder -> title.
FAMILIES = [("oscillators", "Oscillators"), ("noise", "Noise and random"),
            ("chaos", "Chaotic generators"), ("filters", "Filters and analysis"),
            ("envelopes", "Envelopes, clocks and triggers"),
            ("math", "Signal math and conversion"), ("messages", "Message objects"),
            ("canvas", "Canvas and editor"), ("midi", "MIDI bytes")]


class SourceError(Exception):
    pass


def version():
    """The library version as the footers show it: "1.0-0" (a bare 1.0 would read as the number 1)."""
    with open(os.path.join(ROOT, "vesh", "version.hpp")) as f:
        m = re.search(r'version_text = "([^"]+)"', f.read())
    return m.group(1)


NUMBER = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def comment(text):
    """Comment text as typed -> as it stands in a .pd file. Refuses what Pd
    would show otherwise: a semicolon breaks the line, and a word that reads as
    a number is shown as Pd prints the number ("0." as "0", "1e-6" as "1e-06").
    A full stop after a number at the very end is dropped instead."""
    if ";" in text:
        raise SourceError(f"'{text[:40]}...': Pd breaks a comment's line after a semicolon; "
                          "use a comma or a full stop")
    text = re.sub(r"(\d)\.$", r"\1", text.rstrip())  # a closing full stop after a number goes
    for word in re.split(r"[\s,]+", text):
        if NUMBER.match(word) and f"{float(word):g}" != word.lstrip("+"):
            raise SourceError(f"'{text[:40]}...': Pd shows '{word}' as '{float(word):g}'; "
                              "reword it")
    return escape(text)


def trim(text):
    """Text without its outer spaces, keeping an escaped one ("symbol \\ ")."""
    text = text.lstrip()
    while text.endswith(" ") and not text.endswith("\\ "):
        text = text[:-1]
    return text


def escape(text):
    """Box text as typed -> as it stands in a .pd file. A backslash escapes the
    next character as it does when typing into a box ("symbol \\ " holds a space)."""
    text = re.sub(r"(?<!\\)\$", "\\\\$", text)
    text = re.sub(r"(?<!\\);", " \\\\; ", text)
    text = re.sub(r"(?<!\\),", " \\\\, ", text)
    return trim(re.sub(r"(?<!\\) +", " ", text))


def width(text, limit=None):
    """Pixel width of a box holding `text` (or of `limit` characters)."""
    if limit:
        return limit * CW + 4
    lines = pdpatch.wrap(pdpatch.shown(pdpatch.atoms(escape(text))), pdpatch.WRAP)
    return max(max(len(l) for l in lines), 3) * CW + 4


def msg_flag():
    """How far the notch of a one-line message box reaches past its text."""
    return (LH + 5) // 4


def height(text, limit=pdpatch.WRAP, kind="text"):
    lines = pdpatch.wrap(pdpatch.shown(pdpatch.atoms(escape(text))), limit)
    return len(lines) * LH + 5 - (2 if kind == "text" else 0)


def ordinal(n):
    return f"{n}{'th' if 10 <= n % 100 <= 20 else {1: 'st', 2: 'nd', 3: 'rd'}.get(n % 10, 'th')}"


# ---- reading a source -------------------------------------------------------

class Help:
    def __init__(self):
        self.name = self.summary = ""
        self.aliases = []  # classes that show this help patch too
        self.see = []
        self.about = ""
        self.ports = {"inlet": [], "outlet": []}  # [(label, [(type, text)])]
        self.notes = {}  # "inlets"/"outlets"/"args" -> text
        self.args = []  # (label, type, text)
        self.flags = []  # (flag, text)
        self.example = []  # lines


def logical_lines(text):
    """Lines with indented continuations joined and comments dropped; the
    example part is kept line by line."""
    out, example = [], None
    for raw in text.splitlines():
        if example is not None:
            example.append(raw)
            continue
        if raw.startswith("#") or not raw.strip():
            continue
        if raw.strip() == "example":
            example = []
            continue
        if raw[0] in " \t" and out:
            out[-1] += " " + raw.strip()
        else:
            out.append(raw.strip())
    return out, example or []


def read_source(text):
    h = Help()
    lines, h.example = logical_lines(text)
    if not lines or " - " not in lines[0]:
        raise SourceError("the first line is 'NAME - one-line description'")
    h.name, h.summary = (s.strip() for s in lines[0].split(" - ", 1))
    for line in lines[1:]:
        key, _, rest = line.partition(" ")
        if key == "see":
            h.see += rest.split()
        elif key == "alias":
            h.aliases += rest.split()
        elif key == "about":
            h.about = rest.strip()
        elif key in ("inlets:", "outlets:", "args:"):
            h.notes[key[:-1]] = rest.strip()
        elif key in ("inlet", "outlet"):
            m = re.match(r"(\S+) ([^:]+): (.*)$", rest)
            if not m:
                raise SourceError(f"'{line}': write '{key} 1 float: what it does'")
            label, kind, what = m.groups()
            ports = h.ports[key]
            if not ports or ports[-1][0] != label:
                ports.append((label, []))
            ports[-1][1].append((kind.strip(), what.strip()))
        elif key == "arg":
            m = re.match(r"(\S+) ([^:]+): (.*)$", rest)
            if not m:
                raise SourceError(f"'{line}': write 'arg 1 float: what it sets'")
            h.args.append(m.groups())
        elif key == "flag":
            m = re.match(r"(\S+): (.*)$", rest)
            if not m:
                raise SourceError(f"'{line}': write 'flag -name: what it does'")
            h.flags.append(m.groups())
        else:
            raise SourceError(f"unknown line '{line}'")
    return h


# ---- the reference subpatch --------------------------------------------------

def band(y, thickness, label):
    dy = 18 if thickness == 5 else 12
    colour = "#7c7c7c" if thickness == 1 else "#202020"
    return (f"#X obj 10 {y} cnv {thickness} {REF_WIDTH - 40} {thickness} empty empty "
            f"{label} 8 {dy} 0 13 {colour} #000000 0;")


def reference(h):
    """Records of the [pd reference] subpatch, and its height."""
    out = []
    entries = [k for _, es in h.ports["inlet"] + h.ports["outlet"] for k, _ in es]
    entries += [f"{l}) {k}" for l, k, _ in h.args] + [f for f, _ in h.flags]
    tx = max([200] + [110 + (len(e) + 2) * CW for e in entries])
    desc_chars = (REF_WIDTH - 42 - tx) // CW

    def entry(y, kind, what):
        label = f"{kind} -"
        out.append(f"#X text {tx - width(label)} {y} {escape(label)};")
        out.append(f"#X text {tx + 8} {y} {comment(what)}, f {desc_chars};")
        return y + max(height(what, desc_chars), LH) + 4

    def note(y, key):
        if key in h.notes:
            out.append(f"#X text 110 {y} {comment(h.notes[key])}, f {(REF_WIDTH - 140) // CW};")
            return y + height(h.notes[key], (REF_WIDTH - 140) // CW) + 6
        return y

    x = 20
    for name in [h.name] + h.aliases:
        out.append(f"#X obj {x} 14 {escape(name)};")
        x += width(name) + 10
    out.append(f"#X text {x} 14 - {comment(h.summary)};")
    y = 52
    for key, title in (("inlet", "INLET"), ("outlet", "OUTLET")):
        ports = h.ports[key]
        single = len(ports) == 1 and ports[0][0] == "1" and f"{key}s" not in h.notes
        out.append(band(y, 5 if key == "inlet" else 2, title + ("" if single else "S") + ":"))
        y += 10 if key == "inlet" else 8
        y = note(y, f"{key}s")
        if not ports:
            out.append(f"#X text {tx + 4} {y} NONE;")
            y += LH + 10
        elif single:
            for kind, what in ports[0][1]:
                y = entry(y, kind, what)
            y += 6
        else:
            y += 14
            for label, es in ports:
                shown = ordinal(int(label)) if label.isdigit() else label
                out.append(band(y, 1, shown + ":"))
                y += 6
                for kind, what in es:
                    y = entry(y, kind, what)
                y += 8
    title = "ARGUMENT:" if len(h.args) == 1 and not h.flags else "ARGUMENTS:"
    out.append(band(y, 2, title))
    y += 8
    y = note(y, "args")
    if not h.args and not h.flags:
        out.append(f"#X text {tx + 4} {y} NONE;")
        y += LH + 10
    if h.args:
        if h.flags:
            y += 14
            out.append(band(y, 1, "arguments:"))
            y += 6
        for label, kind, what in h.args:
            y = entry(y, f"{label}) {kind}", what)
        y += 6
    if h.flags:
        y += 8
        out.append(band(y, 1, "flags:"))
        y += 6
        for flag, what in h.flags:
            y = entry(y, flag, what)
        y += 6
    out.append(band(y + 4, 5, "empty"))
    return out, y + 40


# ---- the example -------------------------------------------------------------

class Scope:
    """One canvas of the example: boxes by name, records, connections."""

    def __init__(self):
        self.names = {}
        self.count = 0
        self.records = []
        self.links = []  # (from name, outlet, to name, inlet)
        self.gop = None

    def add(self, record, name=None):
        if name and name != "_":
            if name in self.names:
                raise SourceError(f"box name '{name}' used twice")
            self.names[name] = self.count
        self.records.append(record)
        self.count += 1
        return self.count - 1

    def index(self, name):
        if isinstance(name, int):
            return name
        if name not in self.names:
            raise SourceError(f"no box named '{name}'")
        return self.names[name]

    @property
    def connects(self):
        return [f"#X connect {self.index(a)} {o} {self.index(b)} {i};"
                for a, o, b, i in self.links]


def split_kind(word):
    kind, _, w = word.partition(":")
    return kind, (int(w) if w else None)


SCOPE_W, SCOPE_H = 200, 100


def scope_lines(name, x, y, ms="10", lo="-1", hi="1"):
    """A graph that shows the last `ms` milliseconds of the signal at its inlet,
    refreshed every `ms` (at 44.1 kHz)."""
    points = max(2, round(float(ms) * 44.1))
    return f"""sub {name} {x} {y} scope
graph {name} 0 0 {SCOPE_W} {SCOPE_H} {points} {lo} {hi}
obj in 10 130 inlet~
obj lb 100 130 loadbang
obj m 100 160 metro {ms}
obj tw 10 200 tabwrite~ $0-{name}
lb -> m -> tw
in -> tw
gop {SCOPE_W} {SCOPE_H}
end""".splitlines()


RESPONSE_POINTS, RESPONSE_LO, RESPONSE_HI = 200, -48, 24


def response_lines(name, x, y):
    """A graph of a filter's gain from 20 Hz to 20 kHz (log scale, -48 to +24
    dB), measured from the filter's input (left inlet) and output (right inlet):
    the ratio of their power spectra, each averaged over the last blocks of
    4096 samples, read out five times a second."""
    n = RESPONSE_POINTS
    zero = 100 * RESPONSE_HI // (RESPONSE_HI - RESPONSE_LO)
    return f"""sub {name} {x} {y} response
obj line 0 {zero} cnv 1 {n} 1 empty empty empty 0 0 0 10 #c0c0c0 #000000 0
graph {name} 0 0 {n} 100 {n} {RESPONSE_LO} {RESPONSE_HI}
text 0 104 20
text 62 104 200
text 128 104 2k
text 170 104 20k
obj in 10 150 inlet~
obj out 370 150 inlet~
obj fx 10 180 rfft~
obj fy 370 180 rfft~
obj px 10 210 expr~ $v1*$v1+$v2*$v2
obj py 370 210 expr~ $v1*$v1+$v2*$v2
obj ox 180 240 tabreceive~ $0-{name}-x
obj oy 540 240 tabreceive~ $0-{name}-y
obj ax 10 270 expr~ $v1*0.1+$v2*0.9
obj ay 370 270 expr~ $v1*0.1+$v2*0.9
obj sx 10 300 tabsend~ $0-{name}-x
obj sy 370 300 tabsend~ $0-{name}-y
in -> fx -> px -> ax -> sx
fx:1 -> px:1
ox -> ax:1
out -> fy -> py -> ay -> sy
fy:1 -> py:1
oy -> ay:1
obj bl 10 350 block~ 4096
obj tx 130 350 table $0-{name}-x 4096
obj ty 370 350 table $0-{name}-y 4096
obj lb 740 150 loadbang
obj met 740 180 metro 200
obj tb 740 210 t b b b
obj sr 860 240 samplerate~
msg zero 820 240 0
msg count 740 270 {n}
obj until 740 300 until
obj cnt 740 360 f
obj inc 790 360 + 1
obj ti 740 390 t f f
obj si 800 420 s $0-{name}-i
obj bin 740 450 expr 20*pow(1000, $f1/{n - 1})*4096/$f2
obj tj 740 480 t f f
obj ry 740 510 tabread4 $0-{name}-y
obj rx 940 510 tabread4 $0-{name}-x
obj db 740 540 expr 10*log10(max($f1, 1e-30)/max($f2, 1e-30))
obj clip 740 570 clip {RESPONSE_LO} {RESPONSE_HI}
obj ri 890 570 r $0-{name}-i
obj tw 740 600 tabwrite $0-{name}
lb -> met -> tb -> count -> until -> cnt -> ti -> bin -> tj -> ry -> db -> clip -> tw
tb:2 -> sr -> bin:1
tb:1 -> zero -> cnt:1
cnt -> inc -> cnt:1
ti:1 -> si
tj:1 -> rx -> db:1
ri -> tw:1
gop {n} 124
end""".splitlines()


MACROS = {"scope": scope_lines, "response": response_lines}


def expand(lines):
    """The example's lines with the macros (scope, response) written out."""
    out = []
    for raw in lines:
        word = raw.split(None, 1)[0] if raw.strip() else ""
        if word in MACROS:
            out += MACROS[word](*raw.split()[1:])
        else:
            out.append(raw)
    return out


def example(lines, dx, dy):
    """Records of the example (boxes first, then connections) from its lines,
    placed at (dx, dy)."""
    lines = expand(lines)
    stack = [Scope()]  # the canvas being filled, innermost last
    opened = []  # (name, x, y, title) of each open subpatch
    for raw in lines:
        line = trim(raw)
        if not line or line.startswith("#"):
            continue
        s = stack[-1]
        if "->" in line:
            chain = [p.strip() for p in line.split("->")]
            for k, (a, b) in enumerate(zip(chain, chain[1:])):
                src, _, o = a.partition(":")
                dst, _, i = b.partition(":")
                if k > 0:
                    o = "0"  # a middle box's index names the inlet it is fed at
                s.links.append((src, int(o or 0), dst, int(i or 0)))
            continue
        word, *rest = line.split(None, 1)
        rest = rest[0] if rest else ""
        kind, chars = split_kind(word)
        f = f", f {chars}" if chars else ""
        ox, oy = (dx, dy) if len(stack) == 1 else (0, 0)
        if kind == "text":
            x, y, text = rest.split(None, 2)
            s.add(f"#X text {int(x) + ox} {int(y) + oy} {comment(text)}{f};")
        elif kind in ("obj", "msg"):
            parts = rest.split(None, 3)
            if len(parts) < 4 and kind == "obj":
                raise SourceError(f"'{line}': write '{kind} NAME X Y TEXT'")
            name, x, y = parts[:3]
            text = parts[3] if len(parts) > 3 else ""
            s.add(f"#X {kind} {int(x) + ox} {int(y) + oy} {escape(text)}{f};".replace(" ;", ";"),
                  name)
        elif kind == "row":
            # row TARGET[:INLET] X Y text | text ...: message boxes side by side,
            # each connected to the same inlet
            to, x, y, texts = rest.split(None, 3)
            dst, _, i = to.partition(":")
            x = int(x) + ox
            for text in (trim(t) for t in texts.split("|")):
                box = s.add(f"#X msg {x} {int(y) + oy} {escape(text)};")
                s.links.append((box, 0, dst, int(i or 0)))
                x += width(text) + msg_flag() + 8
        elif kind in ("float", "symbol"):
            name, x, y, *w = rest.split()
            atom = "floatatom" if kind == "float" else "symbolatom"
            s.add(f"#X {atom} {int(x) + ox} {int(y) + oy} {w[0] if w else 5} 0 0 0 - - - 0;", name)
        elif kind in ("tgl", "bng"):
            # tgl NAME X Y [SIZE] [on]: "on" makes the toggle start on and say so at load
            name, x, y, *opts = rest.split()
            size = next((o for o in opts if o.isdigit()), "19")
            on = "1" if "on" in opts else "0"
            tail = (f"{on} empty empty empty 17 7 0 10 #fcfcfc #000000 #000000 {on} 1"
                    if kind == "tgl" else "250 50 0 empty empty empty 17 7 0 10 #fcfcfc #000000 #000000")
            s.add(f"#X obj {int(x) + ox} {int(y) + oy} {kind} {size} {tail};", name)
        elif kind == "graph":
            name, x, y, w, hgt, size, lo, hi = rest.split()
            s.add(f"#N canvas 0 50 450 250 (subpatch) 0;\n#X array \\$0-{name} {size} float 10;\n"
                  f"#X coords 0 {hi} {int(size) - 1} {lo} {w} {hgt} 1 0 0;\n"
                  f"#X restore {int(x) + ox} {int(y) + oy} graph;", name)
        elif kind == "sub":
            name, x, y, title = rest.split(None, 3)
            opened.append((name, int(x) + ox, int(y) + oy, title))
            stack.append(Scope())
        elif kind == "gop":
            w, hgt = rest.split()
            s.gop = (w, hgt)
        elif kind == "end":
            if len(stack) == 1:
                raise SourceError("'end' without 'sub'")
            inner = stack.pop()
            outer = stack[-1]
            name, x, y, title = opened.pop()
            inside = pdpatch.parse("#N canvas 0 0 100 100 12;\n" + "\n".join(inner.records))
            rects = [pdpatch.extent(b, FONT) for b in inside.boxes] or [(0, 0, 200, 100)]
            size = f"{max(r[2] for r in rects) + 40} {max(r[3] for r in rects) + 40}"
            body = [f"#N canvas 120 120 {size} {escape(title)} 0;"] + inner.records + inner.connects
            if inner.gop:  # shown on the parent, without its name
                body.append(f"#X coords 0 -1 1 1 {inner.gop[0]} {inner.gop[1]} 3 0 0;")
            body.append(f"#X restore {x} {y} pd {escape(title)};")
            outer.add("\n".join(body), name)
        elif kind == "classes":
            x, y, w = (int(v) for v in rest.split())
            for rec in class_table(x + ox, y + oy, w):
                s.add(rec)
        else:
            raise SourceError(f"unknown example line '{line}'")
    if len(stack) != 1:
        raise SourceError("'sub' without 'end'")
    return stack[0]


def family_classes():
    """[(title, [class, ...])] of every class in the tree, by family."""
    known = dict(FAMILIES)
    folders = sorted(os.path.basename(d) for d in glob.glob(os.path.join(ROOT, "classes", "*")))
    order = [f for f, _ in FAMILIES if f in folders] + [f for f in folders if f not in known]
    out = []
    for folder in order:
        names = sorted(os.path.basename(p)[:-4]
                       for p in glob.glob(os.path.join(ROOT, "classes", folder, "*.cpp")))
        if names:
            out.append((known.get(folder, folder.capitalize()), names))
    return out


def class_table(x, y, w, columns=2):
    """Records listing every class by family: a title, then rows of boxes; the
    families go into `columns` columns, each to the shortest so far."""
    out = []
    col_w = (w - 20 * (columns - 1)) // columns
    tops = [y] * columns
    for title, names in family_classes():
        c = tops.index(min(tops))
        cx0 = x + c * (col_w + 20)
        cy = tops[c]
        out.append(f"#X text {cx0} {cy} {comment(title)};")
        cy += LH + 8
        cx = cx0 + 10
        for n in names:
            bw = width(n)
            if cx + bw > cx0 + col_w:
                cx, cy = cx0 + 10, cy + 28
            out.append(f"#X obj {cx} {cy} {escape(n)};")
            cx += bw + 10
        tops[c] = cy + 36
    return out


# ---- the whole patch ---------------------------------------------------------

def make(h):
    """The text of the help patch for a source."""
    ex = example(h.example, MARGIN, 0)  # measured first: its size sets the window's
    probe = pdpatch.parse("#N canvas 0 0 100 100 12;\n" + "\n".join(ex.records) + "\n")
    rects = [pdpatch.extent(b, FONT) for b in probe.boxes]
    ex_w = max([r[2] for r in rects] + [0])
    ex_h = max([r[3] for r in rects] + [0])
    W = max(MIN_WIDTH, ex_w + 2 * MARGIN)

    out = []
    # Header: the object, what it does, the reference.
    ref_label = "<= click"
    ref_x = W - MARGIN - width(ref_label) - 8 - width("pd reference")
    sx = MARGIN
    for name in [h.name] + h.aliases:
        out.append(f"#X obj {sx} 16 {escape(name)};")
        sx += width(name) + 10
    summary = "- " + h.summary
    chars = (ref_x - sx - 12) // CW
    fit = len(summary) <= chars
    out.append(f"#X text {sx} 16 {comment(summary)}" + ("" if fit else f", f {chars}") + ";")
    head_h = max(21, height(summary, chars))
    ref, ref_h = reference(h)
    out.append(f"#N canvas 160 100 {REF_WIDTH} {ref_h} reference 0;")
    out += ref
    out.append(f"#X restore {ref_x} 16 pd reference;")
    out.append(f"#X text {W - MARGIN - width(ref_label)} 16 {escape(ref_label)};")
    y = 16 + head_h + 12
    out.append(f"#X obj 10 {y} cnv 1 {W - 20} 1 empty empty empty 8 12 0 13 #000000 #000000 0;")
    y += 12
    about_chars = (W - 2 * MARGIN) // CW
    if h.about:
        out.append(f"#X text {MARGIN} {y} {comment(h.about)}, f {about_chars};")
        y += height(h.about, about_chars) + 16
    ex = example(h.example, MARGIN, y)
    first = count_boxes(out)
    out += ex.records
    connects = [shift_connect(c, first) for c in ex.connects]
    y += ex_h + 16
    out.append(f"#X obj 10 {y} cnv 1 {W - 20} 1 empty empty empty 8 12 0 13 #000000 #000000 0;")
    y += 12
    # See also: real boxes, wrapped into rows.
    out.append(f"#X text {MARGIN} {y + 2} see also:;")
    x = MARGIN + width("see also:") + 8
    for name in h.see:
        bw = width(name)
        if x + bw > W - MARGIN:
            x, y = MARGIN + width("see also:") + 8, y + 30
        out.append(f"#X obj {x} {y} {escape(name)};")
        x += bw + 10
    y += 36
    footer = f"updated for vesh {version()} - tested with {TESTED_WITH}"
    out.append(f"#X text {W - MARGIN - width(footer)} {y} {escape(footer)};")
    y += LH + 20
    return f"#N canvas 80 60 {W} {y + 30} {FONT};\n" + "\n".join(out + connects) + "\n"


def count_boxes(records):
    """How many boxes the records make (a subpatch or graph is one box)."""
    n = 0
    depth = 0
    for rec in "\n".join(records).split("\n"):
        if rec.startswith("#N canvas"):
            depth += 1
        elif rec.startswith("#X restore"):
            depth -= 1
            n += depth == 0
        elif depth == 0 and re.match(r"#X (obj|msg|text|floatatom|symbolatom|listbox) ", rec):
            n += 1
    return n


def shift_connect(record, offset):
    a, o, b, i = (int(v) for v in record[len("#X connect "):-1].split())
    return f"#X connect {a + offset} {o} {b + offset} {i};"


def target(source):
    return source[: -len("-help.txt")] + "-help.pd"


def sources():
    return sorted(glob.glob(os.path.join(ROOT, "classes", "*", "*-help.txt"))
                  + glob.glob(os.path.join(ROOT, "vesh", "*-help.txt")))


def build(source):
    with open(source) as f:
        h = read_source(f.read())
    return make(h)


def layout_warnings(text):
    """Boxes closer than 4 pixels, in any canvas of a made patch."""
    root = pdpatch.parse(text)
    return [f"[{a.text[:30]}] and [{b.text[:30]}] touch or overlap"
            for c in root.canvases() for a, b in pdpatch.overlaps(c, margin=4)]


def main(args):
    check = "--check" in args
    paths = [a for a in args if not a.startswith("--")] or sources()
    failed = 0
    for src in paths:
        try:
            text = build(src)
        except SourceError as e:
            print(f"{src}: {e}")
            failed += 1
            continue
        out = target(src)
        if check:
            with open(out) as f:
                if f.read() != text:
                    print(f"{out}: differs from its source (run scripts/helppatch.py {src})")
                    failed += 1
            continue
        with open(out, "w") as f:
            f.write(text)
        for w in layout_warnings(text):
            print(f"{os.path.basename(out)}: {w}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
