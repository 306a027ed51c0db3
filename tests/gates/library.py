"""What the gates know about the library folder, found from the folder itself."""
import glob
import os
import re

from vpd import LIBRARY, SUFFIX

# Short-named classes that show their long-named partner's help patch.
HELP_OF = {"lb": "loadbanger", "s2f~": "sig2float~", "f2s~": "float2sig~",
           "imp~": "impulse~", "imp2~": "impulse2~"}


def classes(folder=None, suffix=SUFFIX):
    """The classes whose plug-ins for one platform are in a folder."""
    folder = folder or LIBRARY
    return sorted(os.path.basename(p)[: -len(suffix)]
                  for p in glob.glob(os.path.join(glob.escape(folder), "*" + suffix)))


def help_patch(name, folder=None):
    folder = folder or LIBRARY
    return os.path.join(folder, HELP_OF.get(name, name) + "-help.pd")


def help_lines(name, folder=None):
    """The records of a class's help patch, one string each, escapes kept."""
    path = help_patch(name, folder)
    if not os.path.exists(path):
        return []
    text = open(path, errors="replace").read()
    return [r.strip().replace("\n", " ") for r in re.split(r"(?<!\\);", text) if r.strip()]


def help_boxes(name, kind, folder=None):
    """Texts of the boxes of a kind ("obj" or "msg") in a class's help patch."""
    out = []
    for record in help_lines(name, folder):
        m = re.match(rf"#X {kind} -?\d+ -?\d+ ?(.*)$", record, re.S)
        if m:
            out.append(re.sub(r",\s*f \d+$", "", m.group(1)).strip())
    return out


def creation_lines(name, folder=None):
    """How the help patch creates the class: the argument lists of its boxes."""
    lines = []
    for text in help_boxes(name, "obj", folder):
        words = text.split()
        if words and words[0] == name:
            lines.append(" ".join(words[1:]))
    return lines


def vocabulary(name, folder=None):
    """Message texts from the help patch, without sends to other receivers."""
    out = []
    for text in help_boxes(name, "msg", folder):
        if "\\;" in text or "$" in text:
            continue
        for part in text.split("\\,"):
            part = part.strip()
            if part:
                out.append(part)
    return sorted(set(out))
