#!/usr/bin/env python3
"""Plants single faults, one at a time, and reports how many the tests catch.

Each fault in scripts/faults.txt is a small patch to one file: the lines
after "-" are replaced by the lines after "+" (they must occur exactly once).
For each fault the script plants it, rebuilds, runs the tests of the fault's
family, then the gates for the classes whose plug-ins changed, stops at the
first failure, and puts the file back as it was. At the end it prints the
catch rate per family and the faults that got through.

Running the whole suite per fault would take hours on a small machine: a
fault is run against the tests of its families (the test files of
tests/<family>/, which are that family's ctest tests, stopping at the first
failure; "unit" runs the GoogleTest cases) and then the three gates (fuzz
with ten random rounds as ctest runs it, help, leaks) for the classes whose
plug-ins the planted file goes into. Only those plug-ins are rebuilt; the
sanitizer copies only when the tests let the fault through. Build the tree
once before the first run.

    scripts/plant-faults.py                   # every fault
    scripts/plant-faults.py --family chaos    # one family's
    scripts/plant-faults.py --only saw-wrap   # by name
    scripts/plant-faults.py --list
    scripts/plant-faults.py --source DIR --build DIR   # another tree
"""
import argparse
import glob
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FAULTS = os.path.join(ROOT, "scripts", "faults.txt")
PYTHON = "/usr/bin/python3"


class Fault:
    def __init__(self, name, families, path):
        self.name, self.families, self.path = name, families, path
        self.old, self.new = [], []

    @property
    def family(self):
        return self.families[0]


def read_faults(path=FAULTS):
    """Blocks of "[name] family [more test families]", "file: path", "-old", "+new"."""
    faults, current = [], None
    for raw in open(path):
        line = raw.rstrip("\n")
        if line.startswith("#") or not line.strip():
            continue
        if line.startswith("["):
            name, rest = line[1:].split("]", 1)
            current = Fault(name.strip(), rest.split(), None)
            faults.append(current)
        elif line.startswith("file:"):
            current.path = line[len("file:"):].strip()
        elif line.startswith("-"):
            current.old.append(line[1:])
        elif line.startswith("+"):
            current.new.append(line[1:])
        else:
            raise SystemExit(f"faults.txt: cannot read {line!r}")
    return faults


def plant(fault, source):
    """Writes the fault into the tree; returns the file's original text."""
    path = os.path.join(source, fault.path)
    text = open(path).read()
    old, new = "\n".join(fault.old), "\n".join(fault.new)
    if text.count(old) != 1:
        raise ValueError(f"{fault.name}: the old text occurs {text.count(old)} times in "
                         f"{fault.path}")
    with open(path, "w") as f:
        f.write(text.replace(old, new))
    return text


def restore(fault, source, text):
    with open(os.path.join(source, fault.path), "w") as f:
        f.write(text)


def _includes(path, source, seen):
    """The files `path` includes from its own folder, shared/ or vesh/, all the way down."""
    if path in seen or not os.path.exists(path):
        return seen
    seen.add(path)
    for inc in re.findall(r'#include "([^"]+)"', open(path, errors="replace").read()):
        for folder in (os.path.dirname(path), os.path.join(source, "shared"),
                       os.path.join(source, "vesh")):
            if os.path.exists(os.path.join(folder, inc)):
                _includes(os.path.normpath(os.path.join(folder, inc)), source, seen)
                break
    return seen


def dependents(fault, source):
    """The classes whose plug-ins the fault's file goes into."""
    target = os.path.normpath(os.path.join(source, fault.path))
    sources = glob.glob(os.path.join(source, "classes", "*", "*.cpp"))
    sources.append(os.path.join(source, "vesh", "vesh.cpp"))
    return sorted(os.path.basename(s)[:-4] for s in sources
                  if target in _includes(os.path.normpath(s), source, set()))


def target_of(name):
    return "plugin_" + name.replace("~", "_tilde").replace(".", "_dot_")


def build_tree(build, log, targets=()):
    cmd = ["cmake", "--build", build, "-j2"]
    if targets:
        cmd += ["--target", *targets]
    proc = subprocess.run(cmd, capture_output=True, text=True)
    log.write(proc.stdout[-3000:] + proc.stderr[-3000:])
    return proc.returncode == 0


def run(cmd, env, log, timeout=1800):
    log.write("$ " + " ".join(cmd) + "\n")
    try:
        proc = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        log.write("timed out\n")
        return False
    log.write(proc.stdout[-4000:] + proc.stderr[-2000:] + "\n")
    return proc.returncode == 0


def family_tests(fault, source, build, env, log):
    """True when every test of the fault's families passes: the test files of
    tests/<family>/ (what ctest runs for them), stopping at the first failure;
    for "unit" the GoogleTest binary."""
    for family in fault.families:
        if family == "unit":
            cmd = [os.path.join(build, "tests", "unit_tests"), "--gtest_brief=1"]
        else:
            files = sorted(glob.glob(os.path.join(source, "tests", family, "test_*.py")))
            cmd = [PYTHON, "-m", "pytest", "-q", "-x", "-c", os.path.join(source, "pytest.ini"),
                   "--rootdir", source, *files]
        if not run(cmd, env, log):
            return False
    return True


def gates(names, source, build, env, log):
    """True when the gates pass for these classes."""
    if not names:
        return True
    gate = os.path.join(source, "tests", "gates")
    for script in ("fuzz.py", "check_help.py", "leakcheck.py"):
        extra = ["--rounds", "10"] if script == "fuzz.py" else []  # as the ctest gate runs it
        if not run([PYTHON, os.path.join(gate, script), *extra, *names], env, log):
            return False
    return True


def environment(build):
    env = dict(os.environ)
    env.update(VESH_BUILD=build, VESH_LIBRARY=os.path.join(build, "vesh"),
               VESH_TESTLIB=os.path.join(build, "testlib"), VESH_NM="nm", VESH_OBJDUMP="objdump",
               PYTHONDONTWRITEBYTECODE="1")
    return env


def main():
    # A background run ignores ^C: a TERM also puts the planted file back.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--source", default=ROOT, help="the tree to plant into")
    ap.add_argument("--build", help="its build folder (default: SOURCE/build)")
    ap.add_argument("--family", action="append", help="only these families")
    ap.add_argument("--only", action="append", help="only the faults with these names")
    ap.add_argument("--list", action="store_true", help="list the faults and stop")
    ap.add_argument("--no-gates", action="store_true", help="the family's tests only")
    ap.add_argument("--log", default="/tmp/plant-faults.log")
    args = ap.parse_args()
    source = os.path.abspath(args.source)
    build = os.path.abspath(args.build or os.path.join(source, "build"))
    faults = read_faults()
    if args.family:
        faults = [f for f in faults if f.family in args.family]
    if args.only:
        faults = [f for f in faults if f.name in args.only]
    # Round robin over the families, so that a run cut short still samples each.
    by_family = {}
    for f in faults:
        by_family.setdefault(f.family, []).append(f)
    faults = [f for k in range(len(faults)) for fs in by_family.values() if k < len(fs)
              for f in [fs[k]]]
    if args.list:
        for f in faults:
            print(f"{f.family:12} {f.name:28} {f.path}")
        return 0
    env = environment(build)
    results = {}  # family -> [(fault, caught or None, how)]
    with open(args.log, "w") as log:
        if not build_tree(build, log):
            print("the unplanted tree does not build")
            return 2
        for fault in faults:
            start = time.time()
            log.write(f"\n==== {fault.name}\n")
            try:
                text = plant(fault, source)
            except ValueError as e:
                print(e)
                results.setdefault(fault.family, []).append((fault, None, "does not apply"))
                continue
            # The sanitizer copies are built only when the gates are needed.
            names = dependents(fault, source)
            plain = [target_of(n) for n in names]
            if "unit" in fault.families:
                plain.append("unit_tests")
            sanitized = [target_of(n) + "_asan" for n in names]
            built = plain
            try:
                log.write(f"rebuilding: {' '.join(names)}\n")
                if not build_tree(build, log, plain):
                    how, caught = "the build", True
                elif not family_tests(fault, source, build, env, log):
                    how, caught = "tests of " + " ".join(fault.families), True
                elif args.no_gates:
                    how, caught = "", False
                elif not build_tree(build, log, built := plain + sanitized):
                    how, caught = "the build", True
                elif not gates(names, source, build, env, log):
                    how, caught = "gates", True
                else:
                    how, caught = "", False
            finally:
                restore(fault, source, text)
                build_tree(build, log, built)  # the unplanted plug-ins back (cached)
            results.setdefault(fault.family, []).append((fault, caught, how))
            mark = f"caught by {how}" if caught else "SURVIVED"
            print(f"{fault.name:30} {mark:40} {time.time() - start:5.0f} s", flush=True)
    total = caught = 0
    print("\nfamily        caught")
    for family in sorted(results):
        rows = [r for r in results[family] if r[1] is not None]
        n = sum(1 for r in rows if r[1])
        total += len(rows)
        caught += n
        print(f"{family:12} {n:3}/{len(rows):<3} {100 * n / max(len(rows), 1):5.0f} %")
    print(f"{'all':12} {caught:3}/{total:<3} {100 * caught / max(total, 1):5.0f} %")
    survivors = [f.name for rows in results.values() for f, c, _ in rows if c is False]
    if survivors:
        print("survived: " + " ".join(survivors))
    return 0


if __name__ == "__main__":
    sys.exit(main())
