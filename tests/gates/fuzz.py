#!/usr/bin/env python3
"""Fuzz gate: every class, hostile input, sanitizer-built plug-ins, real pd.

For each class in the sanitizer library folder, each round builds one patch
from a seeded generator: objects with hostile creation arguments, messages of
every kind to the first inlets (including the messages its help patch shows),
hostile signals connected and disconnected while DSP runs, then every object
deleted. Any sanitizer report, crash or hang fails the class.

Two more rounds per class aim at the edges instead of at random (see
boundary.py): every creation argument and every number of every message the
help patch shows is tried at the values around each limit, and lists and
texts at the lengths around each buffer the class keeps.

    fuzz.py                      # every class, 2 rounds each plus the edges
    fuzz.py --rounds 200 saw~    # a long run by hand
    fuzz.py --seed 7 --show      # print the patch of each round
    fuzz.py --edges-only saw~    # just the edge rounds
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

import vpd  # noqa: E402
from boundary import creation_round, message_round  # noqa: E402
from library import classes, creation_lines, vocabulary  # noqa: E402

BUILD = vpd.BUILD
ASAN_LIBRARY = os.environ.get("VESH_ASAN_LIBRARY", os.path.join(BUILD, "vesh-asan"))
ASAN_TESTLIB = os.path.join(BUILD, "testlib-asan")

NUMBERS = ["0", "1", "-1", "2", "0.5", "-0.5", "3", "7", "64", "127", "128", "255", "256",
           "1000", "-1000", "44100", "1e+30", "-1e+30", "1e+39", "-1e+39", "1e-30", "1e-40",
           "2147483648", "-2147483649", "1e+10", "100000", "-7.5", "0.001"]
SYMBOLS = ["foo", "-", "-bw", "-log", "-raw", "-rel", "-poly", "-ms", "-off", "-seed", "-x",
           "a", "list", "float", "symbol", "bang", "set", "clear", "pd", "-1x", "aa", "0x10"]
SELECTORS = ["bang", "float", "symbol", "list", "set", "clear", "reset", "seed", "foo",
             "anything", "n", "coeffs", "mode", "bypass", "dump", "about", "version", "print"]


def preload():
    out = subprocess.run(["g++", "-print-file-name=libasan.so"], capture_output=True,
                         text=True).stdout.strip()
    return out if os.path.isabs(out) else ""


def atom(rng):
    return rng.choice(NUMBERS) if rng.random() < 0.7 else rng.choice(SYMBOLS)


def atoms(rng, most=6):
    n = rng.choice([0, 1, 1, 2, 3, most, rng.randint(0, 300)])
    return " ".join(atom(rng) for _ in range(n))


def creation_args(rng, known):
    roll = rng.random()
    if known and roll < 0.35:
        return rng.choice(known)
    if roll < 0.45:
        return ""
    if roll < 0.55:  # a known argument list with one atom replaced
        words = (rng.choice(known) if known else "1 2").split() or ["1"]
        words[rng.randrange(len(words))] = atom(rng)
        return " ".join(words)
    return atoms(rng)


def message(rng, vocab):
    roll = rng.random()
    if vocab and roll < 0.35:
        words = rng.choice(vocab).split()
        # keep the selector, vary the arguments now and then
        if len(words) > 1 and rng.random() < 0.5:
            words = words[:1] + [atom(rng) for _ in range(rng.randint(0, 4))]
        return " ".join(words)
    if roll < 0.55:
        return rng.choice(NUMBERS)
    if roll < 0.65:
        return "bang"
    if roll < 0.75:
        return "symbol " + rng.choice(SYMBOLS)
    if roll < 0.85:
        return "list " + atoms(rng)
    return rng.choice(SELECTORS) + " " + atoms(rng, 3)


class Round:
    """One patch: the class under test plus hostile sources, on canvas case.pd."""

    def __init__(self, name, rng):
        self.name, self.rng = name, rng
        self.lines, self.conns, self.count = [], [], 0
        self.events = []  # (block, text sent to a receiver or the canvas)

    def box(self, kind, text):
        self.lines.append(f"#X {kind} {10 + 20 * (self.count % 30)} {10 + 20 * (self.count // 30)} "
                          f"{text};")
        self.count += 1
        return self.count - 1

    def build(self):
        rng, name = self.rng, self.name
        known, vocab = creation_lines(name, ASAN_LIBRARY), vocabulary(name, ASAN_LIBRARY)
        # Hostile signal sources: noise, infinities, NaN, denormals, huge values, silence.
        sources = [self.box("obj", "noise~"), self.box("obj", "sig~ 1e+39"),
                   self.box("obj", "sig~ -1e+30"), self.box("obj", "sig~ 1e-40"),
                   self.box("obj", "sig~ 0"), self.box("obj", "phasor~ 3000")]
        nan_a = self.box("obj", "sig~ 1e+39")
        nan = self.box("obj", "-~ 1e+39")
        self.conns.append((nan_a, 0, nan, 0))
        sources.append(nan)
        # NaN as a float message: inf - inf.
        nanf = self.box("obj", "- 1e+39")
        objects = [self.box("obj", f"{name} {creation_args(rng, known)}".strip())
                   for _ in range(rng.randint(2, 5))]
        receivers = {}
        for obj in objects:
            for inlet in range(rng.randint(1, 4)):
                r = self.box("obj", f"r fz{obj}_{inlet}")
                self.conns.append((r, 0, obj, inlet))
                receivers[(obj, inlet)] = f"fz{obj}_{inlet}"
            if rng.random() < 0.5:
                self.conns.append((nanf, 0, obj, rng.randint(0, 2)))
            # chain objects: outlets into the next one's inlets
            if rng.random() < 0.4 and obj != objects[-1]:
                self.conns.append((obj, rng.randint(0, 2), objects[objects.index(obj) + 1],
                                   rng.randint(0, 2)))
        nanf_r = self.box("obj", "r fznan")
        self.conns.append((nanf_r, 0, nanf, 0))
        # Signals connected from the start, and toggled while running.
        for obj in objects:
            for inlet in range(3):
                if rng.random() < 0.5:
                    self.conns.append((rng.choice(sources), 0, obj, inlet))
        blocks = rng.randint(4, 24)
        for b in range(blocks):
            for _ in range(rng.randint(0, 4)):
                (obj, inlet), rname = rng.choice(list(receivers.items()))
                self.events.append((b, f"{rname} {message(rng, vocab)}"))
            if rng.random() < 0.3:
                self.events.append((b, "fznan 1e+39"))
            if rng.random() < 0.25:
                verb = rng.choice(["connect", "disconnect"])
                self.events.append((b, f"pd-fuzz {verb} {rng.choice(sources)} 0 "
                                       f"{rng.choice(objects)} {rng.randint(0, 3)}"))
            if rng.random() < 0.05:
                self.events.append((b, f"pd dsp {rng.randint(0, 1)}"))
        self.events.append((blocks, "pd dsp 1"))
        self.events.append((blocks + 1, "pd-fuzz clear"))  # every destructor runs
        self.events.append((blocks + 2, "pd quit"))

    def text(self):
        """The objects under test in subpatch [pd fuzz]; the driver beside it."""
        lines = ["#N canvas 0 0 800 600 12;", "#N canvas 0 0 800 600 fuzz 0;"] + self.lines
        lines += [f"#X connect {a} {o} {b} {i};" for a, o, b, i in self.conns]
        lines.append("#X restore 10 10 pd fuzz;")
        driver, index = [], 2
        lines.append("#X obj 700 10 loadbang;")
        by_block = {}
        for event in self.events:
            b, text = event[:2]
            raw = len(event) > 2 and event[2]  # written as it stands in the file
            by_block.setdefault(b, []).append(text if raw else vpd.escape(text))
        first = True
        for b in sorted(by_block):
            body = " ".join(f"\\; {t}" for t in by_block[b])
            if first:
                body = "\\; pd dsp 1 " + body
                first = False
            lines.append(f"#X msg 700 40 {body};")
            lines.append(f"#X obj 700 70 delay {(b + 0.5) * 64000 / 44100!r};")
            driver += [(1, 0, index + 1, 0), (index + 1, 0, index, 0)]
            index += 2
        lines += [f"#X connect {a} {o} {b} {i};" for a, o, b, i in driver]
        return "\n".join(lines) + "\n"


SANITIZER_SIGNS = ("ERROR: AddressSanitizer", "runtime error:", "ERROR: LeakSanitizer",
                   "SUMMARY: AddressSanitizer", "SUMMARY: UndefinedBehaviorSanitizer")


def run_round(name, seed, show=False, timeout=60):
    """Seed "edges/creation" and "edges/messages" are the edge rounds."""
    rng = random.Random(f"{name}/{seed}")
    rnd = Round(name, rng)
    if seed == "edges/creation":
        creation_round(rnd, ASAN_LIBRARY)
    elif seed == "edges/messages":
        message_round(rnd, ASAN_LIBRARY)
    else:
        rnd.build()
    text = rnd.text()
    if show:
        print(text)
    env = dict(os.environ)
    lib = preload()
    if lib:
        env["LD_PRELOAD"] = lib
    env["ASAN_OPTIONS"] = "detect_leaks=0:halt_on_error=1:exitcode=23:abort_on_error=0"
    env["UBSAN_OPTIONS"] = "print_stacktrace=1:halt_on_error=1"
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "case.pd")
        with open(path, "w") as f:
            f.write(text)
        cmd = vpd.PD_COMMAND + ["-nogui", "-noprefs", "-nosound", "-nomidi", "-batch", "-stderr",
                                "-nrt", "-r", str(vpd.SR), "-path", ASAN_LIBRARY,
                                "-path", ASAN_TESTLIB, "-open", path]
        try:
            proc = subprocess.run(cmd, capture_output=True, text=True, errors="replace",
                                  timeout=timeout, env=env)
        except subprocess.TimeoutExpired:
            return f"{name} seed {seed}: hang (no exit within {timeout} s)", text
    out = proc.stdout + proc.stderr
    if any(s in out for s in SANITIZER_SIGNS):
        report = "\n".join(l for l in out.splitlines()
                           if any(k in l for k in ("ERROR", "runtime error", "#", "SUMMARY")))
        return f"{name} seed {seed}: sanitizer report\n{report[:4000]}", text
    if proc.returncode != 0:
        return f"{name} seed {seed}: pd exited with {proc.returncode}\n{out[-2000:]}", text
    return None, text


EDGE_ROUNDS = ["edges/creation", "edges/messages"]


def fuzz(names, rounds, seed=0, show=False, edges=True):
    failures = []
    for name in names:
        for k in (EDGE_ROUNDS if edges else []) + [seed + k for k in range(rounds)]:
            failure, text = run_round(name, k, show)
            if failure:
                failures.append(failure)
                break  # one report per class is enough to act on
    return failures


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("names", nargs="*", help="classes (default: all in the folder)")
    ap.add_argument("--rounds", type=int, default=2)
    ap.add_argument("--seed", type=int, default=0)
    ap.add_argument("--show", action="store_true", help="print each round's patch")
    ap.add_argument("--edges-only", action="store_true", help="just the edge rounds")
    ap.add_argument("--no-edges", action="store_true", help="just the random rounds")
    args = ap.parse_args()
    names = args.names or classes(ASAN_LIBRARY)
    if not names:
        print(f"no plug-ins in {ASAN_LIBRARY}")
        return 1
    rounds = 0 if args.edges_only else args.rounds
    failures = fuzz(names, rounds, args.seed, args.show, edges=not args.no_edges)
    for f in failures:
        print(f)
    print(f"fuzz: {len(names)} classes, {rounds} rounds each, {len(failures)} failing")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
