"""The library object, the plug-in conventions and the inlet-connection helper, in pd."""
import os
import re
import subprocess
import sys

import pytest
from vpd import LIBRARY, SUFFIX, TESTLIB, Patch, run_pd

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gates"))
from library import classes  # noqa: E402

TITLE = "- VESH 1.0-0 beta-42 (june 16th 2021)"
GOOD = re.compile(r"- VESH 1\.0-0 beta-42 needs at least Pd 0\.51-3 "
                  r"\(you have \d+\.\d+-\d+, you're good!\)")


def good_lines(result):
    """The banner's version line: every host this runs on is recent enough."""
    return [line for line in result.console if GOOD.fullmatch(line)]


def test_banner_once_on_load_and_creation_again_on_about():
    p = Patch()
    a = p.obj("vesh")
    p.obj("vesh")
    r = p.run()
    assert len(good_lines(r)) == 1
    lines = r.console
    good = good_lines(r)[0]
    start = lines.index(good) - 4
    assert lines[start] == "-" * 79
    assert lines[start + 1] == TITLE
    assert lines[start + 4:start + 17] == [
        good, "- tested with Pd 0.53-1 and 0.56-5", "-" * 79,
        "- NOTE: This library also includes examples that depend on",
        "this library. Find the 'examples' folder inside the 'vesh' folder",
        "and open 'demo.pd' there to hear it!",
        "-" * 79,
        "- ALSO NOTE: Loading this binary did not install the VESH library, you still",
        'need to add it to the "preferences=>path" or use [declare -path vesh]',
        "-" * 79, TITLE, "-" * 79, ""]

    p.send(a, "about")
    p.send(a, "about")
    assert len(good_lines(p.run())) == 3


def test_banner_when_loaded_as_a_library():
    r = run_pd(["-lib", "vesh", "-send", "pd quit"])
    assert len(good_lines(r)) == 1
    assert r.errors == []


@pytest.mark.platforms
def test_version_is_a_list_of_five_atoms():
    p = Patch()
    v = p.obj("vesh")
    p.probe(v)
    p.send(v, "version")
    assert p.run().messages(v) == [("list", [1.0, 0.0, 0.0, "beta", 42.0])]


def expected_entry(name):
    stem, tilde = (name[:-1], "_tilde") if name.endswith("~") else (name, "")
    if "." in stem:
        return "setup_" + stem.replace(".", "0x2e") + tilde
    return stem + tilde + "_setup"


def binutils(tool, path):
    """The platform's own nm or objdump (VESH_NM, VESH_OBJDUMP) run on a file."""
    program = os.environ.get("VESH_" + tool.upper(), tool)
    args = ["-D", "--defined-only"] if tool == "nm" else ["-p"]
    return subprocess.run([program, *args, path], capture_output=True, text=True,
                          check=True).stdout


@pytest.mark.platforms
def test_every_class_creates_and_runs():
    p = Patch()
    for name in classes():
        p.obj(name)
    r = p.run(blocks=4, dsp=True)
    assert r.returncode == 0 and r.failed_to_create() == [] and r.errors == []


@pytest.mark.platforms
def test_every_plugin_exports_its_entry_function_only():
    plugins = [(folder, name) for folder in (LIBRARY, TESTLIB) for name in classes(folder)]
    assert plugins
    for folder, name in plugins:
        path = os.path.join(folder, name + SUFFIX)
        if SUFFIX in (".m_amd64", ".dll"):
            # A DLL's export table; and it needs no DLL beyond the host's and
            # the system's (the compiler's runtime is linked in).
            out = binutils("objdump", path)
            exports = out.partition("[Ordinal/Name Pointer] Table")[2]
            symbols = re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", exports, re.M)
            dlls = set(re.findall(r"DLL Name: (\S+)", out))
            assert dlls <= {"pd.dll", "KERNEL32.dll", "msvcrt.dll"}, path
        else:
            symbols = [l.split()[-1] for l in binutils("nm", path).splitlines() if l.strip()]
        assert symbols == [expected_entry(name)], path


def magic_patch(source):
    """vtest.magic~ reports per block: connected?, applied?, value."""
    p = Patch()
    m = p.obj("vtest.magic~")
    p.probe_signal(m)
    if source == "signal":
        s = p.obj("sig~ 5")
        p.connect(s, 0, m, 1)
    elif source == "control":
        s = p.obj("f 9")
        p.connect(s, 0, m, 1)
    return p, m


def heads(r, m, blocks):
    s = r.samples(m)
    return [s[64 * i:64 * i + 3] for i in range(blocks)]


def test_float_inlet_applies_once_without_a_signal():
    for source in (None, "control"):  # a message connection is not a signal connection
        p, m = magic_patch(source)
        p.send(m, "7", inlet=1, at_block=2)
        p.send(m, "8", inlet=1, at_block=2)  # only the last float of a block counts
        r = p.run(blocks=4)
        # The creator's initial 0 is applied at the first block, then 8 once.
        assert heads(r, m, 4) == [[0, 1, 0], [0, 0, 0], [0, 1, 8], [0, 0, 0]]


def test_signal_connection_reads_the_signal_and_ignores_floats():
    p, m = magic_patch("signal")
    p.send(m, "7", inlet=1, at_block=1)
    r = p.run(blocks=3)
    assert heads(r, m, 3) == [[1, 0, 0]] * 3
    assert r.samples(m)[3:64] == [5.0] * 61


def test_infinity_is_applied_as_a_value():
    p, m = magic_patch(None)
    p.send(m, "1e39", inlet=1, at_block=1)  # overflows to infinity
    r = p.run(blocks=2)
    assert heads(r, m, 2)[1] == [0, 1, float("inf")]


def test_multichannel_signals_are_refused_cleanly():
    """Hosts from 0.54 on carry several channels on one connection; no class
    takes them, so the host refuses each class and the rest keeps running."""
    names = [n for n in classes() if n.endswith("~")]
    p = Patch()
    snake = p.obj("snake~ in 2")
    for k, value in enumerate(("sig~ 0.5", "sig~ -0.25")):
        p.connect(p.obj(value), 0, snake, k)
    for name in names:
        p.connect(snake, 0, p.obj(name), 0)
    alive = p.obj("osc~ 1000")
    p.probe_signal(alive)
    r = p.run(blocks=2)
    if r.failed_to_create():  # only snake~ can be missing
        pytest.skip("this host has no multichannel connections")
    assert r.returncode == 0 and len(r.samples(alive)) == 128
    refused = {m.group(1) for m in map(re.compile(r"object (\S+) can't take multichannel").match,
                                       r.errors) if m}
    assert refused and all(e.startswith(("object ", "audio signal outlet connected to nonsignal"))
                           for e in r.errors)
