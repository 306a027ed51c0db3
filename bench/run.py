#!/usr/bin/env python3
"""Benchmark table: the cost of each class beside the nearest vanilla object,
measured in the real pd in one run.

Rows come from bench/rows/*.txt, one line each:

    signal  | <vesh box> | <vanilla box> | none|noise
    control | <vesh box> | <vanilla box> | <message sent repeatedly>

A box may also name a small network kept as an abstraction in
bench/networks/ (`lop-hip~ 1000`: a [lop~] and a [hip~] on the same input),
for a class whose nearest vanilla counterpart is several objects, or whose
benchmark needs a message first (`biquads-1~`: one section set at load).

Signal rows: INSTANCES copies of the box (fed by one [noise~] when the input
is "noise") run SECONDS of audio in batch mode; the CPU time of the same patch
without the boxes is taken off, leaving nanoseconds per sample per instance.
A box may also be a small network: boxes chained by " -> " (outlet 0 to inlet
0; " ->1 " to inlet 1) in groups split by " ; ", "$i" standing for the copy's
number, the input feeding the last box of the first group
("delwrite~ d$i 1000 ; sig~ 100 -> delread4~ d$i", "phasor~ 100 ->1 samphold~").
Control rows: MESSAGES messages through an [until] loop, less the loop alone,
in nanoseconds per message. Each figure is the best of REPEATS runs.

    bench/run.py                  # every row, table to bench/results.md
    bench/run.py saw~ lowpass~    # only rows whose vesh box starts with these
    bench/run.py --missing        # only rows the table lacks, merged into it
    bench/run.py --merge saw~     # those rows measured again, merged into the table
"""
import argparse
import glob
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIBRARY = os.environ.get("VESH_LIBRARY", os.path.join(ROOT, "build", "vesh"))
NETWORKS = os.path.join(ROOT, "bench", "networks")
PD = os.environ.get("VESH_PD", "pd")

INSTANCES = 64
SECONDS = 30
MESSAGES = 5000000
REPEATS = 5
SR = 44100


def cpu_seconds(patch_text):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "bench.pd")
        with open(path, "w") as f:
            f.write(patch_text)
        proc = subprocess.Popen([PD, "-nogui", "-noprefs", "-nosound", "-nomidi", "-batch",
                                 "-stderr", "-nrt", "-r", str(SR), "-path", LIBRARY, "-path",
                                 NETWORKS, "-open", path],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(proc.pid, 0)
        err = proc.stderr.read().decode(errors="replace")
        if "couldn't create" in err:
            raise RuntimeError(err.strip().splitlines()[-2:])
        return usage.ru_utime + usage.ru_stime


def signal_patch(box, source, instances):
    lines = ["#N canvas 0 0 600 400 12;", "#X obj 10 10 loadbang;",
             "#X msg 10 40 \\; pd dsp 1;", f"#X obj 10 70 delay {SECONDS * 1000};",
             "#X msg 10 100 \\; pd quit;", "#X obj 200 10 noise~;"]
    conns = [(0, 1, 0), (0, 2, 0), (2, 3, 0)]
    for k in range(instances if box else 0):
        for g, group in enumerate(box.replace("$i", str(k)).split(" ; ")):
            parts = re.split(r" ->(\d*) ", group)  # box, inlet, box, inlet, box...
            for b in range(0, len(parts), 2):
                lines.append(f"#X obj 200 {40 + k} {parts[b]};")
                index = len(lines) - 2  # the canvas line is no box
                if b:
                    conns.append((index - 1, index, int(parts[b - 1] or 0)))
            if g == 0 and source == "noise":
                conns.append((4, index, 0))
    return "\n".join(lines + [f"#X connect {a} 0 {b} {i};" for a, b, i in conns]) + "\n"


def control_patch(box, message):
    # [t b b]: the loop runs first (right outlet), then pd quits.
    lines = ["#N canvas 0 0 600 400 12;", "#X obj 10 10 loadbang;", "#X obj 10 40 t b b;",
             "#X msg 10 70 \\; pd quit;", f"#X msg 100 70 {MESSAGES};", "#X obj 100 100 until;",
             f"#X msg 100 130 {message};"]
    conns = [(0, 0, 1), (1, 0, 2), (1, 1, 3), (3, 0, 4), (4, 0, 5)]
    if box:
        lines.append(f"#X obj 100 160 {box};")
        conns.append((5, 0, 6))
    return "\n".join(lines + [f"#X connect {a} {o} {b} 0;" for a, o, b in conns]) + "\n"


def best(text):
    return min(cpu_seconds(text) for _ in range(REPEATS))


_baselines = {}


def baseline(kind, arg):
    """The surrounding patch alone, measured once per kind of input."""
    if (kind, arg) not in _baselines:
        text = signal_patch(None, arg, 0) if kind == "signal" else control_patch(None, arg)
        _baselines[kind, arg] = best(text)
    return _baselines[kind, arg]


def measure(kind, box, arg):
    base = baseline(kind, arg)
    if kind == "signal":
        total = best(signal_patch(box, arg, INSTANCES))
        return max(total - base, 0.0) / (INSTANCES * SECONDS * SR) * 1e9
    total = best(control_patch(box, arg))
    return max(total - base, 0.0) / MESSAGES * 1e9


def rows(only):
    for path in sorted(glob.glob(os.path.join(ROOT, "bench", "rows", "*.txt"))):
        for line in open(path):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            kind, vesh_box, vanilla_box, arg = [f.strip() for f in line.split("|")]
            if only and vesh_box.split()[0] not in only:
                continue
            yield os.path.basename(path)[:-4], kind, vesh_box, vanilla_box, arg


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("only", nargs="*")
    ap.add_argument("--out", default=os.path.join(ROOT, "bench", "results.md"))
    ap.add_argument("--merge", action="store_true",
                    help="merge the rows measured into the table, keeping the others")
    ap.add_argument("--missing", action="store_true",
                    help="measure only the rows the table lacks, and merge them")
    args = ap.parse_args()
    table = ["| family | vesh object | cost | vanilla object | cost | ratio | input |",
             "|---|---|---|---|---|---|---|"]
    kept = kept_rows(args.out) if args.merge or args.missing else {}
    for family, kind, vesh_box, vanilla_box, arg in rows(args.only):
        if args.missing and (family, vesh_box, vanilla_box, arg) in kept:
            continue
        unit = "ns/sample" if kind == "signal" else "ns/message"
        try:
            ours = measure(kind, vesh_box, arg)
            theirs = measure(kind, vanilla_box, arg)
        except RuntimeError as e:
            print(f"{vesh_box}: {e}", file=sys.stderr)
            continue
        ratio = f"{ours / theirs:.2f}" if theirs > 0 else "-"
        row = (f"| {family} | `{vesh_box}` | {ours:.2f} {unit} | `{vanilla_box}` | "
               f"{theirs:.2f} {unit} | {ratio} | {arg} |")
        print(row, flush=True)
        table.append(row)
    header = (f"# Benchmark\n\nCPU cost in the real pd (batch mode, {SR} Hz, 64-sample blocks): "
              f"signal objects per sample per instance ({INSTANCES} instances, {SECONDS} s of "
              f"audio), control objects per message ({MESSAGES} messages); best of {REPEATS} "
              f"runs, the cost of the surrounding patch taken off. Ratio = vesh / vanilla "
              f"(below 1 is cheaper). Made by `bench/run.py`.\n\n")
    if args.merge or args.missing:
        measured = {row_key(row): row for row in table[2:]}
        table[2:] = [measured.get(key) or kept[key]
                     for key in ((f, b, v, a) for f, _, b, v, a in rows(None))
                     if key in measured or key in kept]
    if not args.only or args.merge or args.missing:
        with open(args.out, "w") as f:
            f.write(header + "\n".join(table) + "\n")
    return 0


def row_key(row):
    cells = [c.strip() for c in row.strip().strip("|").split("|")]
    return cells[0], cells[1].strip("`"), cells[3].strip("`"), cells[6]


def kept_rows(path):
    """The rows of an earlier table, by family, the two boxes and input."""
    if not os.path.exists(path):
        return {}
    return {row_key(line): line.rstrip("\n") for line in open(path)
            if line.startswith("| ") and not line.startswith("| family")}


if __name__ == "__main__":
    sys.exit(main())
