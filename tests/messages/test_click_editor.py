"""click against the real editor: pd with its GUI under a virtual X server, the
abstraction box clicked with the mouse in run mode."""
import os
import re
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "canvas"))
import test_editor as ed  # noqa: E402

pytestmark = ed.pytestmark

# The abstraction box sits at 100 100; [canvas.mouse] tells where the canvas
# starts in the window, netreceive takes the "clear" that deletes both
# [click] objects.
MAIN = """#N canvas 20 20 500 400 12;
#X obj 100 100 clk;
#X obj 10 10 canvas.mouse;
#X obj 10 40 vtest.probe y;
#X obj 10 200 netreceive {port};
#X obj 10 230 route clear;
#X obj 10 260 t b b;
#X msg 10 290 \\; pd-clk.pd clear;
#X obj 10 320 vtest.probe cleared;
#X connect 1 2 2 0;
#X connect 3 0 4 0;
#X connect 4 0 5 0;
#X connect 5 1 6 0;
#X connect 5 0 7 0;
"""

CLK = """#N canvas 600 20 300 200 12;
#X obj 10 10 click;
#X obj 10 40 vtest.probe first;
#X obj 100 10 click;
#X obj 100 40 vtest.probe second;
#X connect 0 0 1 0;
#X connect 2 0 3 0;
"""


def test_clicks_bang_in_creation_order_and_open_the_patch_once_clicks_are_gone():
    e = ed.Editor()
    try:
        with tempfile.TemporaryDirectory() as tmp:
            e.launch(tmp, {"main.pd": MAIN}, {"clk.pd": CLK})
            win = ed.wait(lambda: e.find_window("^main.pd "), "the main window")
            e.sock = ed.wait(e._connect, "the patch's netreceive")

            def probes(name):
                return [l for l in e.lines if l.startswith(f"probe {name}:")]

            # where the canvas starts: a click at 300 300 of the window, repeated
            # until the editor is ready to pass it on
            def offset():
                e.xdo("mousemove", "--window", win, 300, 300, "click", 1)
                time.sleep(0.5)
                return probes("y")

            top = 300 - float(ed.wait(offset, "the canvas offset")[0].split()[-1])
            e.xdo("mousemove", "--window", win, 105, top + 105, "click", 1)
            ed.wait(lambda: len(probes("first")) + len(probes("second")) == 2, "two bangs")
            assert [l.split(":")[0] for l in e.lines if re.match(r"probe (first|second):", l)] \
                == ["probe first", "probe second"]
            assert e.find_window("^clk.pd") == ""

            e.send("clear")
            ed.wait(lambda: probes("cleared"), "the click objects to go")
            e.xdo("mousemove", "--window", win, 105, top + 105, "click", 1)
            ed.wait(lambda: e.find_window("^clk.pd"), "the abstraction's window")
            assert len(probes("first")) == 1
    finally:
        e.close()
