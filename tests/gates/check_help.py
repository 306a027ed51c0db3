#!/usr/bin/env python3
"""Help-patch gate. For every class in the library folder, its help patch:
- opens in the real pd and runs with DSP on without an error line, a
  "couldn't create" or a crash;
- has the frame: the class's box at the top, a [pd reference] subpatch whose
  INLETS and OUTLETS sections list as many inlets and outlets as the class
  really has (counted in the host), a "see also:" row of object boxes that
  create, and an "updated for vesh" footer;
- draws no box over another and no cord across a box;
- plays through [output~] (never straight into [dac~]), about -18 dBFS RMS
  and without DC offset, when it makes sound.
The library object's help also lists every class of the folder as a box and
links the demo.

    check_help.py              # every class in the folder
    check_help.py saw~ lb      # just these
    check_help.py --levels     # print each patch's level and DC offset
"""
import math
import os
import re
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts"))

import pdpatch  # noqa: E402
from library import HELP_OF, classes, help_patch  # noqa: E402
from vpd import LIBRARY, SR, run_pd  # noqa: E402

LEVEL_TARGET, LEVEL_TOLERANCE = -18.0, 3.0  # dBFS RMS of the louder channel
DC_LIMIT = 0.01
LEVEL_SECONDS = 4.0
MAX_PORTS = 24
SECTIONS = re.compile(r"^(INLETS?|OUTLETS?|ARGUMENTS?):$")


# ---- counting inlets and outlets in the host -------------------------------

def host_ports(texts):
    """{object text: (inlets, outlets) or None when it does not create}, counted
    by connecting to every inlet and from every outlet in one pd run."""
    texts = sorted(set(texts))
    lines = ["#N canvas 0 0 400 300 12;", "#X obj 0 0 f;", "#X obj 0 0 *~;"]
    conns = []
    for i, t in enumerate(texts):
        lines.append(f"#X obj 0 0 {t};")
        for k in range(MAX_PORTS):
            conns.append(f"#X connect 0 0 {i + 2} {k};")
            conns.append(f"#X connect {i + 2} {k} 1 0;")
    n = len(texts) + 2
    lines += [f"#X obj 0 0 loadbang;", "#X msg 0 0 \\; pd quit;", f"#X connect {n} 0 {n + 1} 0;"]
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "ports.pd")
        with open(path, "w") as f:
            f.write("\n".join(lines + conns) + "\n")
        r = run_pd(["-open", path], timeout=60)
    inlets = [MAX_PORTS] * len(texts)
    outlets = [MAX_PORTS] * len(texts)
    for line in r.lines:
        m = re.match(r"ports\.pd (\d+) (\d+) (\d+) (\d+) .*connection failed", line)
        if not m:
            continue
        a, o, d, i = (int(g) for g in m.groups())
        if a == 0:
            inlets[d - 2] = min(inlets[d - 2], i)
        else:
            outlets[a - 2] = min(outlets[a - 2], o)
    failed = set(uncreated(r.lines))
    return {t: (None if pdpatch.shown(pdpatch.atoms(t)) in failed else (inlets[i], outlets[i]))
            for i, t in enumerate(texts)}


def uncreated(lines):
    """Texts of the boxes pd could not create: it prints the text, then a line
    "... couldn't create"."""
    return [before for before, line in zip([""] + lines, lines) if "couldn't create" in line]


def box_text(box):
    """An object box's text as it stands in the file."""
    return " ".join(box.tokens)


def port_counter(known):
    def ports(box):
        if box.kind in ("msg", "floatatom", "symbolatom", "listbox"):
            return 1, 1
        if box.kind in ("subpatch", "graph"):
            return pdpatch.subpatch_ports(box)
        if box.kind == "obj":
            return known.get(box_text(box)) or (0, 0)
        return 0, 0
    return ports


# ---- the frame -------------------------------------------------------------

def header(root):
    """The topmost object box of the patch: the class itself."""
    objs = [b for b in root.boxes if b.kind == "obj" and b.name != "cnv"]
    return min(objs, key=lambda b: (b.y, b.x)) if objs else None


def reference(root):
    for b in root.find("subpatch"):
        if b.tokens[:2] == ["pd", "reference"]:
            return b.canvas
    return None


def listed_ports(ref, section):
    """(fixed, variable) counts of the ports a reference section lists, or None
    when the section is missing. Ports are the ordinal bands (1st:, 2nd:,
    rightmost:) under the section's band; a band labelled n: (or nth) stands
    for as many as the arguments make, none included. A section without bands
    lists one port ("INLET:") or none (a "NONE" text)."""
    bands = sorted((b.y, b.tokens[6]) for b in ref.find("obj", "cnv") if len(b.tokens) > 6)
    heads = [(y, label) for y, label in bands if SECTIONS.match(label)]
    mine = [(y, label) for y, label in heads if label.rstrip("S:") == section.rstrip("S")]
    if not mine:
        return None
    top, label = mine[0]
    bottom = min([y for y, _ in heads if y > top] + [max(y for y, _ in bands) + 1])
    ordinals = [l for y, l in bands if top < y < bottom and l != "empty" and not SECTIONS.match(l)]
    if ordinals:
        variable = sum(bool(re.search(r"(^|\W)n(\W|$)|nth", l)) for l in ordinals)
        return len(ordinals) - variable, variable
    texts = [b.text for b in ref.find("text") if top < b.y < bottom]
    if any(t.strip() == "NONE" for t in texts):
        return 0, 0
    return (1, 0) if not label.endswith("S:") else None


def see_also(root):
    """The object boxes right of the "see also:" text, on its rows."""
    marks = [b for b in root.find("text") if b.text.lower().startswith("see also")]
    if not marks:
        return None
    mark = marks[0]
    _, y1, _, _ = pdpatch.extent(mark, root.font)
    return [b for b in root.find("obj") if b.y >= y1 - 4 and b.name not in ("cnv", "output~")
            and b.y < y1 + 80 and b.x > mark.x]


def frame_problems(name, root, known):
    problems = []
    own = HELP_OF.get(name, name)
    top = header(root)
    if not top or top.name not in (name, own):
        problems.append(f"the topmost object box is not [{own}]")
    ref = reference(root)
    if ref is None:
        problems.append("no [pd reference] subpatch")
    else:
        text = " ".join([name] + top.tokens[1:]) if top else name
        actual = known.get(text)
        for section, count in (("INLETS", 0), ("OUTLETS", 1)):
            listed = listed_ports(ref, section)
            if listed is None:
                problems.append(f"reference: no {section} section")
            elif actual is not None:
                fixed, variable = listed
                n = actual[count]
                if (variable == 0 and fixed != n) or (variable and fixed > n):
                    problems.append(f"reference lists {fixed}{'+n' if variable else ''} "
                                    f"{section.lower()}, [{text}] has {n}")
    seen = see_also(root)
    if not seen:
        problems.append("no see-also row of object boxes")
    else:
        for b in seen:
            if known.get(box_text(b)) is None:
                problems.append(f"see-also box [{b.text}] does not create")
    if not any(re.search(r"updated for vesh \d", b.text) for b in root.find("text")):
        problems.append('no "updated for vesh" footer')
    for c in root.canvases():
        for b in c.find("obj", "dac~"):
            if any(conn[2] == b.index for conn in c.connections):
                problems.append("sound goes straight into [dac~]: use [output~]")
    ports = port_counter(known)
    for c in root.canvases():
        where = f" in [pd {c.name}]" if c.parent else ""
        for a, b in pdpatch.overlaps(c):
            problems.append(f"[{a.text[:30]}] and [{b.text[:30]}] overlap{where}")
        for conn, b in pdpatch.crossings(c, ports):
            src, dst = c.boxes[conn[0]], c.boxes[conn[2]]
            problems.append(f"cord [{src.text[:20]}]->[{dst.text[:20]}] crosses "
                            f"[{b.text[:20]}]{where}")
    return problems


def overview_problems(root, folder):
    """The library object's help lists every class and links the demo."""
    listed = {b.name for c in root.canvases() for b in c.find("obj")}
    problems = [f"overview does not list [{n}]" for n in classes(folder) if n not in listed]
    if not any("demo.pd" in b.text for c in root.canvases() for b in c.find("msg")):
        problems.append("overview has no link to the demo")
    return problems


# ---- running the patch and measuring its level -----------------------------

LEVEL_PROBE = """#N canvas 0 0 300 200 12;
#X obj 10 10 inlet~;
#X obj 150 10 inlet~;
#X obj 10 50 vtest.probe~ \\$0-lvL;
#X obj 150 50 vtest.probe~ \\$0-lvR;
#X connect 0 0 2 0;
#X connect 1 0 3 0;
"""


def with_level_probe(text):
    """The patch with every [output~] and [dac~] replaced by a recorder."""
    return re.sub(r"(#X obj -?\d+ -?\d+ )(?:output~|dac~)(?=[ ;])[^;]*", r"\1vlevelprobe~",
                  text)


def run(path, seconds):
    """Opens a copy of the patch with its outputs recorded, runs `seconds`."""
    with open(path, errors="replace") as f:
        text = f.read()
    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.basename(path)
        with open(os.path.join(tmp, base), "w") as f:
            f.write(with_level_probe(text))
        with open(os.path.join(tmp, "vlevelprobe~.pd"), "w") as f:
            f.write(LEVEL_PROBE)
        ms = seconds * 1000.0
        driver = (
            "#N canvas 0 0 400 300 12;\n"
            "#X obj 10 10 loadbang;\n"
            f"#X msg 10 40 \\; pd open {base} {tmp} \\; pd dsp 1;\n"
            f"#X obj 10 70 delay {ms};\n"
            "#X msg 10 100 \\; pd quit;\n"
            "#X connect 0 0 1 0;\n#X connect 0 0 2 0;\n#X connect 2 0 3 0;\n")
        with open(os.path.join(tmp, "driver.pd"), "w") as f:
            f.write(driver)
        return run_pd(["-r", str(SR), "-open", os.path.join(tmp, "driver.pd")], timeout=120)


def channels(result):
    """Left and right signals reaching the recorders, each summed over them."""
    out = []
    for side in "LR":
        total = []
        for key, samples in result._samples.items():
            if key.endswith(f"-lv{side}"):
                total = [a + b for a, b in zip(total, samples)] if total else list(samples)
        out.append(total)
    return out


def level(samples, window=4410, gate_db=-60.0):
    """(RMS in dBFS over the windows louder than the gate, mean) of a signal."""
    if not samples:
        return None, 0.0
    powers = [sum(s * s for s in samples[i:i + window]) / window
              for i in range(0, len(samples) - window + 1, window)]
    loud = [p for p in powers if p > 10 ** (gate_db / 10)]
    db = 10 * math.log10(sum(loud) / len(loud)) if loud else -math.inf
    return db, sum(samples) / len(samples)


def sound(result):
    """(level dBFS, largest |DC|, peak dBFS) of what the patch plays, None when
    it plays nothing."""
    left, right = channels(result)
    if not left and not right:
        return None
    measured = [level(c) for c in (left, right) if c]
    peak = max(abs(v) for c in (left, right) for v in c)
    return (max(m[0] for m in measured), max(abs(m[1]) for m in measured),
            20 * math.log10(peak) if peak > 0 else -math.inf)


def check(name, folder=None):
    """Problems found with one class's help patch (empty when it is fine)."""
    folder = folder or LIBRARY
    path = help_patch(name, folder)
    if not os.path.exists(path):
        return [f"{name}: no help patch {os.path.basename(path)}"]
    with open(path, errors="replace") as f:
        root = pdpatch.parse(f.read())
    texts = {box_text(b) for c in root.canvases() for b in c.find("obj")}
    top = header(root)
    texts.add(" ".join([name] + (top.tokens[1:] if top else [])))
    known = host_ports(texts)
    problems = frame_problems(name, root, known)
    if name == "vesh":
        problems += overview_problems(root, folder)
    plays = bool([b for c in root.canvases() for b in c.find("obj")
                  if b.name in ("output~", "dac~")])
    try:
        r = run(path, LEVEL_SECONDS if plays else 0.3)
    except Exception as e:  # a hang
        return [f"{name}: {e}"]
    problems += [f"[{t}] couldn't create" for t in uncreated(r.lines)]
    problems += [l for l in r.lines if l.startswith("error:") or "connection failed" in l]
    if r.returncode != 0:
        problems.append(f"pd exited with {r.returncode}")
    if plays:
        db, dc, _ = sound(r) or (-math.inf, 0.0, 0.0)
        if abs(db - LEVEL_TARGET) > LEVEL_TOLERANCE:
            problems.append(f"plays at {db:.1f} dBFS RMS, not {LEVEL_TARGET:g} +-{LEVEL_TOLERANCE:g}")
        if dc > DC_LIMIT:
            problems.append(f"DC offset {dc:.3f}")
    return [f"{name}: {p}" for p in problems]


def levels(names, folder=None):
    """Prints level and DC offset of each playing help patch; returns them."""
    folder = folder or LIBRARY
    out = {}
    for name in names:
        path = help_patch(name, folder)
        if not os.path.exists(path) or name in HELP_OF:
            continue
        r = run(path, LEVEL_SECONDS)
        s = sound(r)
        if s:
            out[name] = s
            print(f"{name:16} {s[0]:7.1f} dBFS RMS   DC {s[1]:.4f}   peak {s[2]:6.1f} dBFS")
    if out:
        dbs = [v[0] for v in out.values() if v[0] > -math.inf]
        print(f"{len(out)} patches play: {min(dbs):.1f} to {max(dbs):.1f} dBFS RMS, "
              f"largest DC {max(v[1] for v in out.values()):.4f}")
    return out


def main(args):
    measure = "--levels" in args
    names = [a for a in args if not a.startswith("--")] or classes()
    if not names:
        print(f"no plug-ins in {LIBRARY}")
        return 1
    if measure:
        levels(names)
        return 0
    problems = [p for n in names for p in check(n)]
    for p in problems:
        print(p)
    print(f"help patches: {len(names)} classes checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
