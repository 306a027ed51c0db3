#!/usr/bin/env python3
"""Leak gate: create and delete every class many times in the real pd under
valgrind; fail on any leak or invalid access whose stack passes through a
plug-in of the library.

Each class is created from the argument lists its help patch shows (and with
none), receives its help patch's messages, runs with DSP on, and is deleted by
clearing the canvas before pd quits, so that every destructor runs.

A second pass (edges) runs the fuzz gate's edge lanes (boundary.py: every
inlet, message, list and text at the values and lengths around each limit)
for a batch of classes in one pd under valgrind, beside their help patches,
opened as a user opens them: reads and writes out of bounds in the plain
build show here too. (The edge creation round, hundreds of objects a class,
is left to the sanitizer build, and so are values beyond EDGE_LARGEST: a
window of 2^24 points takes minutes under valgrind.)

    leakcheck.py              # every class, in batches, both passes
    leakcheck.py saw~ lb      # just these
    leakcheck.py --pass edges saw~
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

import vpd  # noqa: E402
from boundary import message_round  # noqa: E402
from fuzz import Round  # noqa: E402
from library import classes, creation_lines, help_patch, vocabulary  # noqa: E402

COPIES = 4
BATCH = 24
# The valgrind edge pass keeps to values up to the largest buffer the edge
# lengths aim at; the int and float limits are the sanitizer gate's.
EDGE_LARGEST = 1100


def patch(names):
    """Subpatch [pd leak] holds the objects; the driver beside it clears it."""
    inner, conns, count = [], [], 0
    events = []
    for name in names:
        arg_lists = [""] + creation_lines(name)
        for k in range(COPIES):
            for args in arg_lists:
                inner.append(f"#X obj 10 10 {name} {args};".replace(" ;", ";"))
                obj = count
                count += 1
                inner.append(f"#X obj 10 40 r lk{obj};")
                conns.append((count, 0, obj, 0))
                count += 1
                for m in vocabulary(name):
                    events.append(f"lk{obj} {m}")
                events.append(f"lk{obj} bang")
    lines = ["#N canvas 0 0 800 600 12;", "#N canvas 0 0 800 600 leak 0;"] + inner
    lines += [f"#X connect {a} {o} {b} {i};" for a, o, b, i in conns]
    lines.append("#X restore 10 10 pd leak;")
    body = " ".join(f"\\; {vpd.escape(e)}" for e in events)
    lines += ["#X obj 700 10 loadbang;",
              f"#X msg 700 40 \\; pd dsp 1 {body};",
              "#X obj 700 70 delay 50;",
              "#X msg 700 100 \\; pd-leak clear \\; pd dsp 0;",
              "#X obj 700 130 delay 60;",
              "#X msg 700 160 \\; pd quit;",
              "#X connect 1 0 2 0;", "#X connect 1 0 3 0;", "#X connect 3 0 4 0;",
              "#X connect 1 0 5 0;", "#X connect 5 0 6 0;"]
    return "\n".join(lines) + "\n"


def blocks_of(report):
    """Valgrind's report split into its error and leak records."""
    records, current = [], []
    for line in report.splitlines():
        body = re.sub(r"^==\d+== ?", "", line)
        if not body.strip():
            if current:
                records.append(current)
            current = []
        elif line.startswith("=="):
            current.append(body)
    if current:
        records.append(current)
    return records


def ours(record):
    return any(vpd.SUFFIX in l for l in record)


def edge_patch(names):
    """The edge rounds of every class in one patch; help patches open beside it."""
    rnd = Round(names[0], None)
    blocks = 6
    for name in names:
        rnd.name = name
        blocks = max(blocks, message_round(rnd, vpd.LIBRARY, finish=False, largest=EDGE_LARGEST))
    rnd.events.append((blocks, "pd-fuzz clear"))
    rnd.events.append((blocks + 1, "pd quit"))
    return rnd.text()


def check(names, timeout=600, edges=False):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "leak.pd")
        with open(path, "w") as f:
            f.write(edge_patch(names) if edges else patch(names))
        opens = ["-open", path]
        if edges:
            helps = {help_patch(n) for n in names}
            opens = [a for h in sorted(helps) if os.path.exists(h) for a in ("-open", h)] + opens
        cmd = ["valgrind", "--leak-check=full", "--show-leak-kinds=definite,indirect",
               "--errors-for-leak-kinds=definite,indirect", "--num-callers=30",
               *vpd.PD_COMMAND, "-nogui", "-noprefs", "-nosound", "-nomidi", "-batch", "-stderr", "-nrt",
               "-r", str(vpd.SR), "-path", vpd.LIBRARY, *opens]
        proc = subprocess.run(cmd, capture_output=True, text=True, errors="replace",
                              timeout=timeout)
    out = proc.stdout + proc.stderr
    problems = []
    for record in blocks_of(out):
        head = record[0]
        is_problem = ("lost in loss record" in head or head.startswith(("Invalid", "Conditional",
                      "Use of uninitialised", "Mismatched", "Source and destination"))
                      or "uninitialised" in head)
        if is_problem and ours(record):
            problems.append("\n".join(record[:14]))
    if "Process terminating" in out or proc.returncode != 0:
        problems.append(f"{' '.join(names)}: pd crashed or failed ({proc.returncode}): "
                        f"{out[-1500:]}")
    return problems


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("names", nargs="*")
    ap.add_argument("--pass", dest="passes", action="append", choices=["leaks", "edges"],
                    help="run just this pass (default: both)")
    args = ap.parse_args()
    names = args.names or classes()
    problems = []
    for edges in [p == "edges" for p in args.passes or ["leaks", "edges"]]:
        for i in range(0, len(names), BATCH):
            problems += check(names[i:i + BATCH], edges=edges)
    for p in problems:
        print(p, end="\n\n")
    print(f"leak check: {len(names)} classes, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
