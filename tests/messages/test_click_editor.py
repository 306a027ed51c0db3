"""click against the real editor: pd with its GUI under a virtual X server, the
abstraction box clicked with the mouse in run mode."""
import os
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "canvas"))
import test_editor as ed  # noqa: E402
from vpd import LIBRARY, PD_COMMAND, SR, TESTLIB  # noqa: E402

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
    lines, procs = [], []
    try:
        with tempfile.TemporaryDirectory() as tmp:
            r, w = os.pipe()
            procs.append(subprocess.Popen(
                ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten",
                 "tcp"], pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            os.close(w)
            with os.fdopen(r) as f:
                env = dict(os.environ, DISPLAY=":" + f.readline().strip())
            port = ed.free_port()
            for name, text in (("main.pd", MAIN.format(port=port)), ("clk.pd", CLK)):
                with open(os.path.join(tmp, name), "w") as f:
                    f.write(text)
            pd = subprocess.Popen(
                [*PD_COMMAND, "-noprefs", "-nosound", "-nomidi", "-stderr", "-r", str(SR),
                 "-path", LIBRARY, "-path", TESTLIB, "-open", os.path.join(tmp, "main.pd")],
                env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                stderr=subprocess.STDOUT, text=True, errors="replace")
            procs.append(pd)
            threading.Thread(target=lambda: lines.extend(l.rstrip("\n") for l in pd.stdout),
                             daemon=True).start()

            def xdo(*args):
                return subprocess.run(["xdotool", *map(str, args)], env=env,
                                      capture_output=True, text=True,
                                      timeout=ed.TIMEOUT).stdout.strip()

            def window(name):
                return xdo("search", "--name", name).split("\n")[0]

            def probes(name):
                return [l for l in lines if l.startswith(f"probe {name}:")]

            win = ed.wait(lambda: window("^main.pd "), "the main window")
            def connect():
                try:
                    return socket.create_connection(("127.0.0.1", port), timeout=1)
                except OSError:
                    return None

            sock = ed.wait(connect, "the patch's netreceive")
            # where the canvas starts: a click at 300 300 of the window, repeated
            # until the editor is ready to pass it on
            def offset():
                xdo("mousemove", "--window", win, 300, 300, "click", 1)
                time.sleep(0.5)
                return probes("y")

            y = float(ed.wait(offset, "the canvas offset")[0].split()[-1])
            top = 300 - y
            xdo("mousemove", "--window", win, 105, top + 105, "click", 1)
            ed.wait(lambda: len(probes("first")) + len(probes("second")) == 2, "two bangs")
            assert [l.split(":")[0] for l in lines if re.match(r"probe (first|second):", l)] \
                == ["probe first", "probe second"]
            assert window("^clk.pd") == ""

            sock.sendall(b"clear;\n")
            ed.wait(lambda: probes("cleared"), "the click objects to go")
            xdo("mousemove", "--window", win, 105, top + 105, "click", 1)
            ed.wait(lambda: window("^clk.pd"), "the abstraction's window")
            assert len(probes("first")) == 1
    finally:
        for p in reversed(procs):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
