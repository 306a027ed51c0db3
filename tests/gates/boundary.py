"""The fuzz gate's edge rounds: values around every limit, lengths around
every buffer.

Faults hide at the edges: a read one past the block when an offset equals the
block size, a list one longer than a buffer, a float that no int can hold. A
random value seldom lands there, so each class also gets two fixed rounds:

- creation: one object for every help-patch argument list with each argument
  in turn (and one more after the last) replaced by each edge value, and
  argument lists as long as each buffer, one shorter and one longer;
- messages: a "lane" (an object of its own) per inlet for floats, per inlet
  for signals, per number in each help-patch message and per selector, for
  lists and for texts; block after block each lane gets the next edge value
  (or length), NaN among them, followed by a bang.

The edge values come from a table: the limits every class shares (LIMITS) and
the limits of the class itself, read from its source (the sizes of its arrays
and its integer constants, the inline size of its per-call buffers) and from
CLASS_LIMITS for those its source computes. A new class gets its edges
without an entry here; a limit its source hides gets a line in CLASS_LIMITS.
"""
import glob
import os
import re

from library import HELP_OF, creation_lines, vocabulary

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")

# Shared by every class: zero and one, the block size, the last integer a
# float holds exactly (2^24), the int range (2^31).
LIMITS = [1, 64, 1 << 24, 1 << 31]
# The largest finite float, the infinities (1e+39 reads as inf).
EXTREMES = ["3.40282347e+38", "-3.40282347e+38", "1e+39", "-1e+39"]
# Limits a class's source does not show as a constant: {class: [limit, ...]},
# lists of items several atoms long given as lengths in atoms.
CLASS_LIMITS = {
    "biquads~": [5 * 49, 5 * 50, 5 * 51],  # lists of 49, 50 and 51 sections of 5
}
# Inline size of vesh::Scratch when none is given.
SCRATCH_DEFAULT = 64
# Constants outside this range are not sizes worth aiming at.
SMALLEST, LARGEST = 2, 1 << 20
# Lengths of lists and texts are kept to buffers up to this size.
LONGEST_TEXT = 1100


def source_of(name):
    """The class's source file, or None."""
    hits = glob.glob(os.path.join(ROOT, "classes", "*", glob.escape(name) + ".cpp"))
    hits += glob.glob(os.path.join(ROOT, glob.escape(name), glob.escape(name) + ".cpp"))
    return hits[0] if hits else None


def _texts(path, seen):
    """The source and what it includes from its own folder or shared/."""
    if path in seen or not os.path.exists(path):
        return []
    seen.add(path)
    text = open(path, errors="replace").read()
    out = [text]
    for inc in re.findall(r'#include "([^"]+)"', text):
        for folder in (os.path.dirname(path), os.path.join(ROOT, "shared")):
            candidate = os.path.join(folder, inc)
            if os.path.exists(candidate):
                # Only one level into shared/: its deeper headers are engines
                # whose constants are not the class's buffers.
                if os.path.dirname(path) == os.path.join(ROOT, "shared"):
                    break
                out += _texts(candidate, seen)
                break
    return out


def _integer(expr):
    expr = expr.strip()
    m = re.fullmatch(r"(\d+)\s*<<\s*(\d+)", expr)
    if m:
        return int(m.group(1)) << int(m.group(2))
    m = re.fullmatch(r"(\d+)[uUlL]*", expr)
    return int(m.group(1)) if m else None


def class_limits(name):
    """The sizes in a class's source: array bounds, integer constants, the
    inline sizes of its per-call buffers."""
    path = source_of(HELP_OF.get(name, name)) or source_of(name)
    found = set(CLASS_LIMITS.get(name, []) + CLASS_LIMITS.get(HELP_OF.get(name, ""), []))
    if not path:
        return sorted(found)
    for text in _texts(path, set()):
        text = re.sub(r"//.*", "", text)
        exprs = re.findall(r"constexpr\s+(?:static\s+)?(?:unsigned\s+)?(?:int|long|size_t|"
                           r"std::size_t|int32_t|uint32_t)\s+\w+\s*=\s*([^;]+);", text)
        exprs += re.findall(r"\w\[(\d+)\];", text)
        for inline in re.findall(r"Scratch<[^<>]*?(?:,\s*([^<>]+))?>", text):
            exprs.append(inline or str(SCRATCH_DEFAULT))
        for e in exprs:
            n = _integer(e)
            if n is not None and SMALLEST <= n <= LARGEST:
                found.add(n)
    return sorted(found)


def _number(n):
    return str(n)


def edge_values(name):
    """Numbers around every limit, as they are typed in a patch."""
    values = set()
    for n in LIMITS + class_limits(name):
        values.update({n - 1, n, n + 1, -n, -n - 1})
    return [_number(v) for v in sorted(values)] + EXTREMES


def edge_lengths(name):
    """List and text lengths around every buffer of the class."""
    lengths = {0, 1, 2}
    for n in class_limits(name):
        if n <= LONGEST_TEXT:
            lengths.update({n - 1, n, n + 1})
    return sorted(lengths)


def _is_number(word):
    try:
        float(word)
        return True
    except ValueError:
        return False


def _known(name, folder):
    """The help patch's argument lists (the empty one first) and messages."""
    lines = [""] + [l for l in creation_lines(name, folder) if l]
    seen, known = set(), []
    for l in lines:
        if l not in seen:
            seen.add(l)
            known.append(l)
    return known, vocabulary(name, folder)


def _separators(known):
    """The short symbols among the creation arguments: they may split texts."""
    out = [" "]
    for line in known:
        for w in line.split():
            if not _is_number(w) and not w.startswith("-") and len(w) <= 3 and w not in out:
                out.append(w)
    return out


def _piece_text(count, separator):
    """A symbol of `count` one-letter pieces, escaped for a patch file."""
    if count == 0:
        return "symbol"
    text = separator.join("a" * count) if separator != " " else " ".join(["a"] * count)
    return "symbol " + text.replace(" ", "\\ ")


def creation_round(rnd, folder, finish=True):
    """Objects with edge values as arguments, run for a few blocks, deleted.
    Without `finish` the round leaves clearing and quitting to its caller."""
    name = rnd.name
    known, _ = _known(name, folder)
    values = edge_values(name)
    objects = []
    for line in known:
        words = line.split()
        for pos in range(len(words) + 1):
            for v in values:
                args = words[:pos] + [v] + words[pos + 1:]
                objects.append(rnd.box("obj", f"{name} {' '.join(args)}"))
    for n in edge_lengths(name):
        objects.append(rnd.box("obj", f"{name} {' '.join(['1'] * n)}".strip()))
    bang = rnd.box("msg", "bang")
    for obj in objects:
        rnd.conns.append((bang, 0, obj, 0))
    trigger = rnd.box("obj", "r fzbang")
    rnd.conns.append((trigger, 0, bang, 0))
    rnd.events.append((0, "fzbang bang"))
    rnd.events.append((2, "fzbang bang"))
    rnd.events.append((4, "pd dsp 1"))
    if finish:
        rnd.events.append((5, "pd-fuzz clear"))
        rnd.events.append((6, "pd quit"))


def message_round(rnd, folder, finish=True, largest=None):
    """Lanes of edge values into every inlet, message and buffer; returns the
    number of blocks it takes. With `largest`, only values up to that size
    (sizes near 2^24 cost minutes under valgrind)."""
    name = rnd.name
    known, vocab = _known(name, folder)
    base = f"{name} {known[-1]}".strip()  # the help patch's fullest example
    values = edge_values(name)
    if largest is not None:
        values = [v for v in values if abs(float(v)) <= largest]
    nanf = rnd.box("obj", "- 1e+39")  # inf - inf: NaN
    nan_in = rnd.box("obj", "r fznan")
    rnd.conns.append((nan_in, 0, nanf, 0))
    lanes = []  # (receiver's number, [message texts as written in a patch file], bang after)

    def lane(inlet, texts, nan=None):
        obj = rnd.box("obj", base)
        r = rnd.box("obj", f"r fz{obj}")
        rnd.conns.append((r, 0, obj, inlet))
        bang = rnd.box("obj", f"r fz{obj}b")
        rnd.conns.append((bang, 0, obj, 0))
        if nan is not None:  # a message box that puts NaN where $1 stands
            m = rnd.box("msg", nan)
            rnd.conns.append((nanf, 0, m, 0))
            rnd.conns.append((m, 0, obj, inlet))
        lanes.append((obj, texts, True))
        return obj

    for inlet in range(4):
        obj = lane(inlet, values)
        rnd.conns.append((nanf, 0, obj, inlet))
        # a signal into the inlet, stepping through the values
        sig = rnd.box("obj", "sig~")
        r = rnd.box("obj", f"r fz{sig}")
        rnd.conns.append((r, 0, sig, 0))
        rnd.conns.append((nanf, 0, sig, 0))
        target = rnd.box("obj", base)
        rnd.conns.append((sig, 0, target, inlet))
        lanes.append((sig, values, False))  # the signal needs no bang
    selectors = set()
    for text in vocab:
        words = text.split()
        if words and not _is_number(words[0]):
            selectors.add(words[0])
        for pos, w in enumerate(words):
            if _is_number(w):
                texts = [" ".join(words[:pos] + [v] + words[pos + 1:]) for v in values]
                lane(0, texts, nan=" ".join(words[:pos] + ["\\$1"] + words[pos + 1:]))
    for sel in sorted(selectors - {"symbol", "list", "float", "bang"}):
        lane(0, [f"{sel} {v}" for v in values], nan=f"{sel} \\$1")
    lengths = edge_lengths(name)
    for inlet in range(2):
        lane(inlet, ["list " + " ".join(str(k % 7) for k in range(n)) for n in lengths])
        lane(inlet, ["list " + " ".join(["a"] * n) for n in lengths])
    for sep in _separators(known):
        lane(0, [_piece_text(n, sep) for n in lengths])
    lane(0, ["symbol " + "a" * n if n else "symbol" for n in lengths])

    blocks = max(len(texts) for _, texts, _ in lanes)
    rnd.events.append((0, "pd dsp 1"))
    for b in range(blocks):
        for obj, texts, bang in lanes:
            if b < len(texts):
                rnd.events.append((b + 1, f"fz{obj} {texts[b]}", True))
                if bang:
                    rnd.events.append((b + 1, f"fz{obj}b bang"))
    rnd.events.append((blocks + 1, "fznan 1e+39"))
    if finish:
        rnd.events.append((blocks + 2, "pd-fuzz clear"))
        rnd.events.append((blocks + 3, "pd quit"))
    return blocks + 2
