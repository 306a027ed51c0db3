"""Real-host test harness: build a patch, run it in pd, read back what came out.

    p = Patch()
    saw = p.obj("saw~ 441")
    p.probe_signal(saw)              # every output sample, exactly
    r = p.run(blocks=2)
    r.samples(saw)[:3]               # [0.0, 0.01, 0.02] as float32 values

    rnd = p.obj("rand.i 0 10")
    p.probe(rnd)                     # every message, in order
    p.send(rnd, "bang")              # before the first block
    p.send(rnd, "seed 3", at_block=2)
    r = p.run(blocks=4)
    r.messages(rnd)                  # [("float", [7.0]), ...]

Messages go to an inlet through a [r] bound to a private name; messages due at
the same time are sent in the order they were added. `at_block=k` delivers a
message after block k-1 and before block k (block 0 is the first block after
DSP is switched on); `at_ms` gives a logical time in milliseconds.
"""

import os
import re
import shlex
import resource
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("VESH_BUILD", os.path.join(ROOT, "build"))
LIBRARY = os.environ.get("VESH_LIBRARY", os.path.join(BUILD, "vesh"))
TESTLIB = os.environ.get("VESH_TESTLIB", os.path.join(BUILD, "testlib"))
# The host: any pd binary, e.g. a second version, or a command that runs one
# under emulation ("qemu-aarch64 -L /usr/aarch64-linux-gnu .../bin/pd").
PD = os.environ.get("VESH_PD", "pd")
PD_WRAPPER = os.environ.get("VESH_PD_WRAPPER", "")  # e.g. "valgrind --error-exitcode=9"
PD_COMMAND = shlex.split(PD)
HOST = shlex.split(PD_WRAPPER) + PD_COMMAND  # what every case runs
# The plug-ins' file name extension on the platform under test.
SUFFIX = os.environ.get("VESH_SUFFIX", ".pd_linux")

SR = 44100  # passed to every pd: hosts differ in their default rate
BLOCK = 64


def f32(x):
    """x rounded to single precision, as the host would store it."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def bits_to_float(h):
    return struct.unpack("<f", struct.pack("<I", int(h, 16)))[0]


def escape(text):
    """Message text as it stands in a .pd file."""
    return (str(text).replace("\\", "\\\\").replace(";", " \\; ").replace(",", " \\, ")
            .replace("$", "\\$"))


class Box:
    def __init__(self, index, text):
        self.index = index
        self.text = text

    def __repr__(self):
        return f"Box({self.index}, {self.text!r})"


class Result:
    def __init__(self, lines, returncode, patch_text):
        self.lines = lines
        self.returncode = returncode
        self.patch_text = patch_text
        self._messages = {}
        self._samples = {}
        pending = None
        for line in lines:
            if line.startswith("probe+ ") and pending:
                pending[1][-1] += line[len("probe+ "):]
                continue
            m = re.match(r"probe (\S+): (.*)$", line)
            if m:
                pending = (m.group(1), self._messages.setdefault(m.group(1), []))
                pending[1].append(m.group(2))
                continue
            m = re.match(r"probe~ (\S+):(.*)$", line)
            if m:
                self._samples.setdefault(m.group(1), []).extend(
                    bits_to_float(h) for h in m.group(2).split())
        self._messages = {k: [parse_message(t) for t in v] for k, v in self._messages.items()}

    @property
    def text(self):
        return "\n".join(self.lines)

    @property
    def console(self):
        """Console lines other than the probes' own."""
        return [l for l in self.lines if not l.startswith(("probe ", "probe~ ", "probe+ "))]

    @property
    def errors(self):
        """Error lines, as the host tags them with -stderr. The host's own
        "... couldn't create" follow-up is left to failed_to_create(): some
        hosts tag it as an error, others do not."""
        return [l[len("error: "):] for l in self.lines
                if l.startswith("error: ") and l != "error: ... couldn't create"]

    def failed_to_create(self):
        return [l for l in self.lines if "couldn't create" in l]

    def messages(self, box, outlet=0):
        return self._messages.get(probe_name(box, outlet), [])

    def samples(self, box, outlet=0):
        return self._samples.get(probe_name(box, outlet) + "~", [])

    def floats(self, box, outlet=0):
        """The values of the float messages from an outlet."""
        return [a[0] for s, a in self.messages(box, outlet) if s == "float"]


def parse_atom(token):
    try:
        return float(token)
    except ValueError:
        return token


def parse_message(text):
    parts = text.split(" ")
    return parts[0], [parse_atom(t) for t in parts[1:] if t != ""]


def probe_name(box, outlet):
    index = box.index if isinstance(box, Box) else box
    return f"b{index}o{outlet}"


class Patch:
    def __init__(self, sr=SR):
        self.sr = sr
        self.lines = []
        self.connections = []
        self.count = 0
        self.events = []  # (time_ms, order, receiver, text)
        self.receivers = {}
        self.dsp = False

    # ---- building ---------------------------------------------------------

    def _add(self, kind, text):
        self.lines.append(f"#X {kind} {10 + 30 * (self.count % 20)} {10 + 30 * (self.count // 20)}"
                          + (f" {text}" if text else "") + ";")
        box = Box(self.count, text)
        self.count += 1
        return box

    def obj(self, text):
        """An object box; its index follows creation order."""
        return self._add("obj", escape(text))

    def msg(self, text):
        return self._add("msg", escape(text))

    def raw(self, line):
        """A line added as it stands; counts as a box if it makes one."""
        self.lines.append(line)
        if line.startswith(("#X obj", "#X msg", "#X text", "#X floatatom", "#X symbolatom",
                            "#X restore")):
            box = Box(self.count, line)
            self.count += 1
            return box
        return None

    def connect(self, src, outlet, dst, inlet=0):
        self.connections.append((src.index, outlet, dst.index, inlet))

    def probe(self, box, outlet=0):
        """Records every message from an outlet."""
        p = self.obj(f"vtest.probe {probe_name(box, outlet)}")
        self.connect(box, outlet, p)
        return p

    def probe_signal(self, box, outlet=0):
        """Records every sample from a signal outlet; switches DSP on."""
        p = self.obj(f"vtest.probe~ {probe_name(box, outlet)}~")
        self.connect(box, outlet, p)
        self.dsp = True
        return p

    def send(self, box, message, inlet=0, at_block=None, at_ms=None):
        """Sends a message (text as typed in a message box) to an inlet."""
        key = (box.index, inlet)
        if key not in self.receivers:
            name = f"__in{box.index}_{inlet}"
            r = self.obj(f"r {name}")
            self.connect(r, 0, box, inlet)
            self.receivers[key] = name
        if at_block is not None:
            at_ms = (at_block + 0.5) * BLOCK * 1000.0 / self.sr
        self.events.append((at_ms or 0.0, len(self.events), self.receivers[key], message))

    # ---- running ----------------------------------------------------------

    def text(self, blocks=None, ms=None, dsp=None):
        dsp = self.dsp if dsp is None else dsp
        if blocks is not None:
            ms = (blocks + 0.5) * BLOCK * 1000.0 / self.sr
        ms = ms or 0.0
        lines = ["#N canvas 0 0 800 600 12;"] + list(self.lines)
        index = self.count
        conns = list(self.connections)

        def add(line):
            nonlocal index
            lines.append(line)
            index += 1
            return index - 1

        lb = add("#X obj 700 10 loadbang;")
        by_time = {}
        for t, order, receiver, message in sorted(self.events):
            by_time.setdefault(t, []).append(f"\\; {receiver} {escape(message)}")
        if dsp:
            by_time.setdefault(0.0, []).insert(0, "\\; pd dsp 1")
        by_time.setdefault(ms, []).append("\\; pd quit")
        for t in sorted(by_time):
            m = add(f"#X msg 700 40 {' '.join(by_time[t])};")
            if t == 0.0:
                conns.append((lb, 0, m, 0))
            else:
                d = add(f"#X obj 700 70 delay {t!r};")
                conns.append((lb, 0, d, 0))
                conns.append((d, 0, m, 0))
        lines += [f"#X connect {a} {b} {c} {d};" for a, b, c, d in conns]
        return "\n".join(lines) + "\n"

    def run(self, blocks=None, ms=None, dsp=None, timeout=60, extra_args=(), address_space=None):
        """Runs the patch in pd until `blocks` blocks (or `ms`) have passed.
        `address_space` (bytes) caps what pd may map, so that a large
        allocation really fails."""
        text = self.text(blocks, ms, dsp)
        return run_patch_text(text, sr=self.sr, timeout=timeout, extra_args=extra_args,
                              address_space=address_space)


def pd_command(paths=(), extra_args=(), sr=SR):
    cmd = HOST + ["-nogui", "-noprefs", "-nosound", "-nomidi", "-batch",
                                "-stderr", "-nrt", "-r", str(sr)]
    for p in (LIBRARY, TESTLIB) + tuple(paths):
        cmd += ["-path", p]
    return cmd + list(extra_args)


def run_patch_text(text, sr=SR, timeout=60, extra_args=(), address_space=None):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "case.pd")
        with open(path, "w") as f:
            f.write(text)
        return run_pd(list(extra_args) + ["-open", path], text, timeout, sr, address_space)


def run_pd(args, patch_text="", timeout=60, sr=SR, address_space=None):
    # No standard input: pd in batch mode reads none, and Wine's console
    # waits on one. The output goes to files rather than pipes: a process that
    # pd's emulator leaves running may hold a pipe open after pd has exited.
    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.run(pd_command(extra_args=args, sr=sr), stdout=out, stderr=err,
                              stdin=subprocess.DEVNULL, timeout=timeout,
                              preexec_fn=limit if address_space else None)
        text = b""
        for f in (out, err):
            f.seek(0)
            text += f.read()
    lines = [strip_verbose(l) for l in text.decode(errors="replace").splitlines()]
    return Result(lines, proc.returncode, patch_text)


def strip_verbose(line):
    return re.sub(r"^verbose\(\d+\): ", "", line)
