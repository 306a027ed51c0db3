"""Feeds byte streams to MIDI objects in pd and reads back every outlet in
arrival order, so that tests see the right-to-left output order too."""
from vpd import Patch, probe_name


class Streams:
    def __init__(self):
        self.p = Patch()
        self.boxes = []

    def add(self, text, outlets, inlets=()):
        """An object whose outlets all report, tagged, to one probe. `inlets`
        is a list of (inlet, message) sent before the stream."""
        box = self.p.obj(text)
        probe = self.p.obj(f"vtest.probe {probe_name(box, 0)}")
        for k in range(outlets):
            tag = self.p.obj(f"list prepend {k}")
            self.p.connect(box, k, tag)
            self.p.connect(tag, 0, probe)
        for inlet, message in inlets:
            self.p.send(box, message, inlet=inlet)
        return box

    def feed(self, box, stream, inlet=0):
        """Bytes sent one float at a time; items may be (inlet, value) pairs."""
        for item in stream:
            if isinstance(item, tuple):
                self.p.send(box, str(item[1]), inlet=item[0])
            else:
                self.p.send(box, str(item), inlet=inlet)

    def run(self):
        self.result = self.p.run()
        return self.result

    def out(self, box):
        """[(outlet, value), ...] in arrival order."""
        return [(int(a[0]), a[1]) for s, a in self.result.messages(box)]


def stream(text, outlets, data, inlets=()):
    s = Streams()
    box = s.add(text, outlets, inlets)
    s.feed(box, data)
    r = s.run()
    assert r.errors == [] and not r.failed_to_create(), r.text
    return s.out(box)
