#!/usr/bin/env python3
"""Help-patch gate: every class in the library folder has a help patch, and
each one opens in the real pd, runs with DSP on, and prints no error.

    check_help.py            # every class in the folder
    check_help.py saw~ lb    # just these
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

from library import classes, help_patch  # noqa: E402
from vpd import LIBRARY, run_patch_text  # noqa: E402

BLOCKS = 200


def check(name):
    """Problems found with one class's help patch (empty when it is fine)."""
    path = help_patch(name)
    if not os.path.exists(path):
        return [f"{name}: no help patch {os.path.basename(path)}"]
    folder, base = os.path.split(path)
    ms = BLOCKS * 64 * 1000.0 / 44100
    text = (
        "#N canvas 0 0 400 300 12;\n"
        "#X obj 10 10 loadbang;\n"
        f"#X msg 10 40 \\; pd open {base} {folder} \\; pd dsp 1;\n"
        f"#X obj 10 70 delay {ms};\n"
        "#X msg 10 100 \\; pd quit;\n"
        "#X connect 0 0 1 0;\n#X connect 0 0 2 0;\n#X connect 2 0 3 0;\n")
    try:
        r = run_patch_text(text, timeout=60)
    except Exception as e:  # a hang
        return [f"{name}: {e}"]
    problems = [f"{name}: {l}" for l in r.lines
                if "couldn't create" in l or l.startswith("error:") or "connection failed" in l]
    if r.returncode != 0:
        problems.append(f"{name}: pd exited with {r.returncode}")
    return problems


def main(names):
    names = names or classes()
    if not names:
        print(f"no plug-ins in {LIBRARY}")
        return 1
    problems = [p for n in names for p in check(n)]
    for p in problems:
        print(p)
    print(f"help patches: {len(names)} classes checked, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
