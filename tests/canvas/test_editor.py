"""Canvas objects against the real editor: pd with its Tk GUI under a virtual
X server, driven by xdotool like a user at the mouse and keyboard."""
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time

import pytest

from vpd import LIBRARY, PD_COMMAND, SR, TESTLIB


def editor_scripts():
    """The editor's Tcl scripts: the system's, or those of a host run from its
    source tree (bin/pd starts ../tcl/pd-gui.tcl)."""
    binary = os.path.realpath(shutil.which(PD_COMMAND[-1]) or PD_COMMAND[-1])
    tree = os.path.join(os.path.dirname(os.path.dirname(binary)), "tcl", "pd-gui.tcl")
    return tree if os.path.exists(tree) else "/usr/lib/puredata/tcl/pd-gui.tcl"


pytestmark = pytest.mark.skipif(
    any(shutil.which(t) is None for t in ("Xvfb", "xdotool", "wish"))
    or not os.path.exists(editor_scripts()),
    reason="needs Xvfb, xdotool and the pd editor (puredata-gui)")

TIMEOUT = 20.0

MAIN = """#N canvas 20 20 500 400 12;
#X obj 10 10 canvas.mouse;
#X obj 10 40 vtest.probe click;
#X obj 60 40 vtest.probe x;
#X obj 110 40 vtest.probe y;
#X obj 160 10 canvas.active;
#X obj 160 40 vtest.probe act1;
#X obj 260 10 canvas.edit;
#X obj 260 40 vtest.probe edit;
#X obj 10 70 netreceive {port};
#X obj 10 100 route gui;
#X obj 10 130 list trim;
#X obj 10 160 gui;
#X obj 200 70 loadbang;
#X obj 200 100 canvas.wname;
#X obj 200 130 vtest.probe wname1;
#X obj 300 10 canvas.bounds;
#X obj 300 40 vtest.probe bounds;
#X connect 0 0 1 0;
#X connect 0 1 2 0;
#X connect 0 2 3 0;
#X connect 4 0 5 0;
#X connect 6 0 7 0;
#X connect 8 0 9 0;
#X connect 9 0 10 0;
#X connect 10 0 11 0;
#X connect 12 0 13 0;
#X connect 13 0 14 0;
#X connect 15 0 16 0;
"""

SECOND = """#N canvas 600 20 400 300 12;
#X obj 10 10 canvas.active;
#X obj 10 40 vtest.probe act2;
#X obj 10 70 loadbang;
#X obj 10 100 canvas.wname;
#X obj 10 130 vtest.probe wname2;
#X connect 0 0 1 0;
#X connect 2 0 3 0;
#X connect 3 0 4 0;
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait(condition, what, timeout=TIMEOUT):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


class Editor:
    def __init__(self):
        self.lines = []
        self.procs = []

    def launch(self, tmp, patches, abstractions=None):
        """Xvfb, then pd with its editor opening `patches` (file name: text,
        "{port}" standing for a free port that netreceive can take);
        `abstractions` are only written beside them."""
        # Xvfb picks a free display and tells its number through a pipe
        r, w = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"], pass_fds=(w,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(w)
        with os.fdopen(r) as f:
            self.env = dict(os.environ, DISPLAY=":" + f.readline().strip())

        self.port = free_port()
        opens = []
        for name, text in {**patches, **(abstractions or {})}.items():
            with open(os.path.join(tmp, name), "w") as f:
                f.write(text.format(port=self.port))
            if name in patches:
                opens += ["-open", os.path.join(tmp, name)]
        pd = subprocess.Popen(
            [*PD_COMMAND, "-noprefs", "-nosound", "-nomidi", "-stderr", "-r", str(SR),
             "-path", LIBRARY, "-path", TESTLIB, *opens],
            env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True, errors="replace")
        self.procs.append(pd)
        threading.Thread(target=self._read, args=(pd.stdout,), daemon=True).start()

    def start(self, tmp):
        self.launch(tmp, {"main.pd": MAIN, "second.pd": SECOND})
        self.wname1 = self.value("wname1")
        self.wname2 = self.value("wname2")
        self.win1 = wait(lambda: self.find_window("^main.pd "), "the main window")
        self.win2 = wait(lambda: self.find_window("^second.pd "), "the second window")
        self.sock = wait(self._connect, "the patch's netreceive")
        # Without a window manager nobody puts the keyboard focus into the
        # canvas of a window made while another had it; the first focus is
        # handed over once, as a window manager's click would.
        for win, name in ((self.win1, self.wname1), (self.win2, self.wname2)):
            self.xdo("windowfocus", "--sync", win)
            self.send(f"gui focus {name}.c")
            self.sync()

    def _read(self, stream):
        for line in stream:
            self.lines.append(line.rstrip("\n"))

    def _connect(self):
        try:
            return socket.create_connection(("127.0.0.1", self.port), timeout=1)
        except OSError:
            return None

    def value(self, probe):
        pattern = re.compile(rf"probe {probe}: \w+ (\S+)")
        return wait(lambda: next((m.group(1) for m in map(pattern.match, self.lines) if m),
                                 None), probe)

    def xdo(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                              text=True, timeout=TIMEOUT).stdout.strip()

    def find_window(self, name):
        return self.xdo("search", "--name", name).split("\n")[0]

    def send(self, message):
        self.sock.sendall((message + ";\n").encode())

    def sync(self):
        """Waits until pd and the editor have handled everything sent so far:
        a round trip through the editor's Tcl interpreter."""
        token = f"sync{time.monotonic_ns()}"
        self.send(f"gui pdsend {{{token}}}")
        wait(lambda: any(token in l for l in self.lines), "the editor")

    def probes(self, since, name):
        out = []
        for line in self.lines[since:]:
            m = re.match(rf"probe {name}: float (\S+)", line)
            if m:
                out.append(float(m.group(1)))
        return out

    def wait_probes(self, since, name, expected):
        wait(lambda: self.probes(since, name)[:len(expected)] == expected
             and self.probes(since, name),
             f"{name} to report {expected}, got {self.probes(since, name)}")

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()


@pytest.fixture(scope="module")
def editor():
    with tempfile.TemporaryDirectory() as tmp:
        e = Editor()
        try:
            e.start(tmp)
            yield e
        finally:
            e.close()


def clicks(lines):
    """(x, y) of each press reported by canvas.mouse: y, x, then click 1."""
    out, x, y = [], None, None
    for line in lines:
        m = re.match(r"probe (x|y|click): float (\S+)", line)
        if not m:
            continue
        if m.group(1) == "x":
            x = float(m.group(2))
        elif m.group(1) == "y":
            y = float(m.group(2))
        elif m.group(2) == "1":
            out.append((x, y))
    return out


def test_mouse_reports_click_position_and_state(editor):
    since = len(editor.lines)
    editor.xdo("mousemove", "--window", editor.win1, 300, 300, "click", 1)
    editor.xdo("mousemove", "--window", editor.win1, 340, 320, "click", 1)
    editor.wait_probes(since, "click", [1, 0, 1, 0])
    (x1, y1), (x2, y2) = clicks(editor.lines[since:])
    # the window has no frame; the canvas sits below the menu bar
    assert x1 == 300 and 0 < y1 < 300
    assert (x2 - x1, y2 - y1) == (40, 20)


def test_active_follows_focus_between_two_windows(editor):
    editor.xdo("windowfocus", "--sync", editor.win2)
    since = len(editor.lines)
    for win in (editor.win1, editor.win2, editor.win1):
        editor.xdo("mousemove", "--window", win, 200, 200, "click", 1)
        editor.xdo("windowfocus", "--sync", win)
    # each change of window is reported once by each object
    editor.wait_probes(since, "act1", [1, 0, 1])
    editor.wait_probes(since, "act2", [0, 1, 0])


def test_edit_follows_ctrl_e(editor):
    editor.xdo("windowfocus", "--sync", editor.win1)
    since = len(editor.lines)
    editor.xdo("key", "ctrl+e")
    editor.wait_probes(since, "edit", [1])
    # in edit mode a click is the editor's, not reported
    editor.xdo("mousemove", "--window", editor.win1, 300, 300, "click", 1)
    editor.xdo("key", "ctrl+e")
    editor.wait_probes(since, "edit", [1, 0])
    editor.sync()
    assert editor.probes(since, "click") == []


def test_gui_reaches_the_editor(editor):
    editor.send(f"gui wm title {editor.wname1} vesh-retitled")
    wait(lambda: editor.xdo("getwindowname", editor.win1) == "vesh-retitled", "the new title")


def test_bounds_reported_once_as_the_window_opens(editor):
    editor.sync()
    assert [l for l in editor.lines if l.startswith("probe bounds:")] == \
        ["probe bounds: list 20 20 520 420"]
