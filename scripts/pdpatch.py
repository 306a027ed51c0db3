"""Pd patch files as data: records, boxes, connections, and where Pd draws them.

    canvas = parse(open("saw~-help.pd").read())
    for box in canvas.boxes:
        box.kind, box.text, extent(box)      # "obj", "saw~ 220", (20, 60, 82, 81)
    overlaps(canvas)                         # pairs of boxes drawn over each other
    crossings(canvas, ports)                 # cords drawn across a box

Extents follow Pd's own text layout (boxes wrap at 60 characters or their set
width; 7 x 16 pixels a character at font size 12, margins 2-2-3-2). The font's
real metrics differ a little from system to system, so callers leave a few
pixels of room rather than rely on exact edges.
"""

import os
import re

# Font size -> (character width, line height) in pixels, as Pd assumes them.
FONTS = {8: (5, 11), 10: (6, 13), 12: (7, 16), 16: (10, 19), 24: (14, 29), 36: (22, 44)}
WRAP = 60  # characters per line of a box without a set width
IOWIDTH, IOMIDDLE = 7, 3
OWN_BOX_SLACK = 24  # pixels a cord may run inside its own two boxes
ABSTRACTION_DIRS = ["/usr/lib/puredata/extra"]
# Abstractions whose size differs between the hosts we test with: the largest.
# ([output~] is 65 x 55 in Pd 0.53.1 and 110 x 58 in 0.56-5.)
LARGEST = {"output~": (110, 58)}

# Iemguis: how their size is read from their arguments.
IEMGUIS = {"tgl", "bng", "cnv", "hsl", "vsl", "hslider", "vslider", "nbx", "hradio",
           "vradio", "hdl", "vdl", "vu", "toggle", "bang"}


def records(text):
    """The records of a patch file, each as one line without its ';'."""
    out = []
    for r in re.split(r"(?<!\\);[ \t]*(?:\r?\n|$)", text):
        r = r.strip().replace("\r", "")
        if r:
            out.append(re.sub(r"\s*\n\s*", " ", r))
    return out


def atoms(record):
    """The atoms of a record's tail, escapes kept ("\\,", "\\;", "\\$1"); a bare
    comma (as in the width suffix ", f 60") is an atom of its own."""
    return re.findall(r"(?:\\.|[^\s\\,;])+|[,;]", record)


def shown(tokens):
    """The text Pd shows for a box's atoms: commas and semicolons hug the word
    before them, a semicolon ends a line, and escapes are dropped."""
    out = ""
    for t in tokens:
        if t in ("\\,", "\\;", ",", ";"):
            out = out.rstrip(" ") + t[-1] + ("\n" if t[-1] == ";" else " ")
        else:
            out += re.sub(r"\\(.)", r"\1", t) + " "
    return out.rstrip(" ")


def wrap(text, limit):
    """Lines of a box's text as Pd breaks them: at the last space that fits,
    else hard at the limit; newlines always break."""
    lines = []
    for para in text.split("\n"):
        while len(para) > limit:
            cut = para.rfind(" ", 0, limit + 1)
            if cut < 0:
                lines.append(para[:limit])
                para = para[limit:]
            else:
                lines.append(para[:cut])
                para = para[cut + 1:]
        lines.append(para)
    return lines


class Box:
    """One box of a canvas, in file order (its index is its connection number)."""

    def __init__(self, kind, x, y, tokens, index, width=None):
        self.kind = kind  # obj msg text floatatom symbolatom listbox subpatch graph
        self.x, self.y = x, y
        self.tokens = tokens
        self.index = index
        self.width = width  # characters, from ", f N"
        self.canvas = None  # the subcanvas of a subpatch or graph

    @property
    def text(self):
        return shown(self.tokens)

    @property
    def name(self):
        return self.tokens[0] if self.tokens else ""

    def __repr__(self):
        return f"Box({self.index} {self.kind} {self.x} {self.y} {self.text[:30]!r})"


class Canvas:
    def __init__(self, head, parent=None):
        self.head = head  # the #N canvas atoms after "canvas"
        self.parent = parent
        self.boxes = []
        self.connections = []  # (from box, outlet, to box, inlet)
        self.coords = None  # the #X coords atoms
        self.arrays = []  # (name, size) of the arrays drawn in a graph

    @property
    def font(self):
        root = self
        while root.parent:
            root = root.parent
        try:
            return int(root.head[4])
        except (IndexError, ValueError):
            return 12

    @property
    def name(self):
        return self.head[4] if self.parent and len(self.head) > 4 else ""

    @property
    def gop(self):
        """(width, height) a graph-on-parent canvas shows on its parent, or None."""
        c = self.coords
        if c and len(c) >= 7 and float(c[6]) != 0:
            return int(float(c[4])), int(float(c[5]))
        return None

    def canvases(self):
        """This canvas and every canvas inside it."""
        yield self
        for b in self.boxes:
            if b.canvas:
                yield from b.canvas.canvases()

    def find(self, kind=None, name=None):
        return [b for b in self.boxes if (kind is None or b.kind == kind)
                and (name is None or b.name == name)]


def parse(text):
    """The root canvas of a patch file's text."""
    root = None
    stack = []
    for rec in records(text):
        parts = rec.split(None, 1)
        head, tail = parts[0], (parts[1] if len(parts) > 1 else "")
        toks = atoms(tail)
        if head == "#N" and toks and toks[0] == "canvas":
            c = Canvas(toks[1:], stack[-1] if stack else None)
            if root is None:
                root = c
            stack.append(c)
            continue
        if head != "#X" or not stack or not toks:
            continue  # #A array data, #N struct and the like
        c = stack[-1]
        kind = toks[0]
        if kind == "restore" and len(stack) > 1:
            inner = stack.pop()
            outer = stack[-1]
            is_graph = toks[3:4] == ["graph"]
            b = Box("graph" if is_graph else "subpatch", int(float(toks[1])),
                    int(float(toks[2])), toks[3:], len(outer.boxes))
            b.canvas = inner
            outer.boxes.append(b)
        elif kind == "coords":
            c.coords = toks[1:]
        elif kind == "array":
            c.arrays.append((toks[1], int(float(toks[2]))))
        elif kind == "connect":
            a, o, d, i = (int(t) for t in toks[1:5])
            c.connections.append((a, o, d, i))
        elif kind == "f" and c.boxes:
            c.boxes[-1].width = int(toks[1])
        elif kind in ("obj", "msg", "text", "floatatom", "symbolatom", "listbox"):
            rest, width = toks[3:], None
            if len(rest) >= 3 and rest[-3] == "," and rest[-2] == "f":
                rest, width = rest[:-3], int(rest[-1])
            c.boxes.append(Box(kind, int(float(toks[1])), int(float(toks[2])), rest,
                               len(c.boxes), width))
    return root


def _abstraction_gop(name):
    for d in ABSTRACTION_DIRS:
        path = os.path.join(d, name + ".pd")
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                return parse(f.read()).gop
    return None


def _iemgui_size(name, args, fw, fh):
    n = [float(a) if re.match(r"^-?[\d.]+(e-?\d+)?$", a) else 0 for a in args]
    n += [0.0] * 8
    if name in ("tgl", "toggle", "bng", "bang"):
        return int(n[0]), int(n[0])
    if name == "cnv":
        return int(n[1]), int(n[2])
    if name in ("hsl", "vsl", "hslider", "vslider", "vu"):
        return int(n[0]), int(n[1])
    if name == "nbx":
        return int(12 * 31 * n[0] / 36 + n[1] / 2 + 4), int(n[1])
    if name in ("hradio", "hdl"):
        return int(n[0] * n[3]), int(n[0])
    if name in ("vradio", "vdl"):
        return int(n[0]), int(n[0] * n[3])
    return 15, 15


def extent(box, font=12):
    """(x1, y1, x2, y2) of a box as Pd draws it."""
    fw, fh = FONTS.get(font, FONTS[12])
    x, y = box.x, box.y
    if box.kind == "graph" or (box.kind == "subpatch" and box.canvas and box.canvas.gop):
        w, h = box.canvas.gop or (200, 140)
        return x, y, x + w, y + h
    if box.kind in ("floatatom", "symbolatom", "listbox"):
        chars = int(float(box.tokens[0])) if box.tokens else 0
        chars = chars or (5 if box.kind == "floatatom" else 10)
        return x, y, x + chars * fw + 2, y + fh + 4
    if box.kind == "obj" and box.name in IEMGUIS:
        w, h = _iemgui_size(box.name, box.tokens[1:], fw, fh)
        return x, y, x + w, y + h
    if box.kind == "obj" and len(box.tokens) == 1:
        gop = _abstraction_gop(box.name)
        if gop or box.name in LARGEST:
            w, h = (max(a, b) for a, b in zip(gop or (0, 0), LARGEST.get(box.name, (0, 0))))
            return x, y, x + w, y + h
    text = box.text
    limit = box.width or WRAP
    lines = wrap(text, limit)
    cols = box.width or max(max(len(l) for l in lines), 1 if box.kind == "text" else 3)
    h = len(lines) * fh + 5 - (2 if box.kind == "text" else 0)
    flag = h // 4 if box.kind == "msg" else 0  # the notch of a message box
    return x, y, x + cols * fw + 4 + flag, y + h


def _intersect(a, b, margin=0):
    return (a[0] < b[2] + margin and b[0] < a[2] + margin
            and a[1] < b[3] + margin and b[1] < a[3] + margin)


def decoration(box):
    """Canvases (cnv) lie under other boxes on purpose."""
    return box.kind == "obj" and box.name == "cnv"


def overlaps(canvas, margin=0):
    """Pairs of boxes of one canvas drawn over each other (closer than margin)."""
    font = canvas.font
    boxes = [(b, extent(b, font)) for b in canvas.boxes if not decoration(b)]
    return [(a, b) for i, (a, ra) in enumerate(boxes) for b, rb in boxes[i + 1:]
            if _intersect(ra, rb, margin)]


def port_x(rect, index, count):
    """x of the middle of inlet or outlet `index` of `count` on a box."""
    x1, _, x2, _ = rect
    nplus = 1 if count <= 1 else count - 1
    return x1 + ((x2 - x1 - IOWIDTH) * index) // nplus + IOMIDDLE


def cord(canvas, conn, ports):
    """End points of a connection: ((x, y) below the outlet, (x, y) on the inlet)."""
    a, o, d, i = conn
    src, dst = canvas.boxes[a], canvas.boxes[d]
    rs, rd = extent(src, canvas.font), extent(dst, canvas.font)
    nout = ports(src)[1]
    nin = ports(dst)[0]
    return (port_x(rs, o, nout), rs[3]), (port_x(rd, i, nin), rd[1])


def _inside(p, q, r):
    """Length of the part of segment p-q inside rectangle r (its edges excluded)."""
    x1, y1, x2, y2 = r[0] + 1, r[1] + 1, r[2] - 1, r[3] - 1
    if x1 >= x2 or y1 >= y2:
        return 0.0
    t0, t1 = 0.0, 1.0
    dx, dy = q[0] - p[0], q[1] - p[1]
    for pk, qk in ((-dx, p[0] - x1), (dx, x2 - p[0]), (-dy, p[1] - y1), (dy, y2 - p[1])):
        if pk == 0:
            if qk < 0:
                return 0.0
        else:
            t = qk / pk
            if pk < 0:
                t0 = max(t0, t)
            else:
                t1 = min(t1, t)
            if t0 > t1:
                return 0.0
    return (t1 - t0) * (dx * dx + dy * dy) ** 0.5


def crossings(canvas, ports):
    """(connection, box) for every cord drawn across a box, or running inside
    one of its own two boxes (a cord to a box above its source).
    `ports(box)` gives (inlets, outlets) of a box."""
    out = []
    font = canvas.font
    for conn in canvas.connections:
        if max(conn[0], conn[2]) >= len(canvas.boxes):
            continue
        p, q = cord(canvas, conn, ports)
        for b in canvas.boxes:
            if decoration(b):
                continue
            inside = _inside(p, q, extent(b, font))
            # a cord may clip the corner of its own box (the loop of a counter),
            # not run along it
            if inside > (OWN_BOX_SLACK if b.index in (conn[0], conn[2]) else 0):
                out.append((conn, b))
    return out


def subpatch_ports(box):
    """(inlets, outlets) of a subpatch box, counted from its inlet and outlet objects."""
    if box.kind == "graph" or not box.canvas:
        return 0, 0
    names = [b.name for b in box.canvas.boxes if b.kind == "obj"]
    return (sum(n in ("inlet", "inlet~") for n in names),
            sum(n in ("outlet", "outlet~") for n in names))
