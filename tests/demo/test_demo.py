"""The demo patch renders offline in the host under test, as scripts/demo.sh does."""
import array
import os
import shutil
import tempfile
import wave

from vpd import ROOT, run_pd


def test_demo_renders_every_section():
    with tempfile.TemporaryDirectory() as tmp:
        shutil.copytree(os.path.join(ROOT, "examples"), os.path.join(tmp, "examples"))
        r = run_pd(["-open", os.path.join(tmp, "examples", "demo.pd")], timeout=120)
        assert r.returncode == 0 and r.errors == [] and not r.failed_to_create(), r.text
        with wave.open(os.path.join(tmp, "demo.wav")) as w:
            assert (w.getframerate(), w.getnframes()) == (44100, 14 * 44100)
            samples = array.array("h", w.readframes(w.getnframes()))
    # each 2.5 s section is heard
    step = int(2.5 * 44100)
    assert all(max(map(abs, samples[k * step:(k + 1) * step])) > 1000 for k in range(5))
