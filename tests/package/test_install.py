"""The installed library folder and the deken package, as a new user gets them: a
fresh pd, no -path, HOME pointed at a folder standing in for the user's."""
import glob
import hashlib
import os
import re
import shlex
import subprocess
import sys
import zipfile

import pytest

from vpd import BUILD, HOST, LIBRARY, ROOT

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gates"))
from library import classes as plugins  # noqa: E402

EXTERNALS = os.path.join(".local", "lib", "pd", "extra")  # under HOME, searched by pd


def cross_builds():
    """(platform, deken name, plug-in extension) of each build in build/cross/."""
    found = []
    for cache in sorted(glob.glob(os.path.join(BUILD, "cross", "*", "CMakeCache.txt"))):
        text = open(cache).read()
        found.append((os.path.basename(os.path.dirname(cache)),
                      re.search(r"^VESH_DEKEN_PLATFORM:\w+=(.*)$", text, re.M).group(1),
                      re.search(r"^VESH_PLUGIN_SUFFIX:\w+=(.*)$", text, re.M).group(1)))
    return found


def files(folder):
    return sorted(os.path.relpath(os.path.join(d, f), folder)
                  for d, _, names in os.walk(folder) for f in names)


def run_fresh_pd(home, boxes, declare=True, host=HOST):
    """Opens a patch of one box per text in a pd whose HOME is `home`."""
    lines = ["#N canvas 0 0 800 600 12;"]
    if declare:
        boxes = ["declare -path vesh"] + boxes
        lines.append("#X declare -path vesh;")
    lines += [f"#X obj {10 + 80 * (i % 10)} {10 + 30 * (i // 10)} {b};"
              for i, b in enumerate(boxes)]
    lines += ["#X obj 10 570 loadbang;", "#X msg 10 590 \\; pd quit;",
              f"#X connect {len(boxes)} 0 {len(boxes) + 1} 0;"]
    patch = os.path.join(home, "patches", "every-class.pd")  # no vesh/ beside it
    os.makedirs(os.path.dirname(patch), exist_ok=True)
    with open(patch, "w") as f:
        f.write("\n".join(lines) + "\n")
    proc = subprocess.run(host + ["-nogui", "-noprefs", "-nosound", "-nomidi", "-batch", "-stderr",
                                  "-open", patch], env=dict(os.environ, HOME=home), cwd=home,
                          stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          errors="replace", timeout=60)
    return proc.stdout + proc.stderr


def assert_every_class_creates(home):
    folder = os.path.join(home, EXTERNALS, "vesh")
    out = run_fresh_pd(home, plugins(LIBRARY))
    assert "couldn't create" not in out and "error" not in out, out
    # The form that avoids name clashes, found without any declaration.
    out = run_fresh_pd(home, ["vesh/saw~ 440"], declare=False)
    assert "couldn't create" not in out, out
    assert plugins(folder) == plugins(LIBRARY)


@pytest.fixture(scope="module")
def installed(tmp_path_factory):
    cache = open(os.path.join(BUILD, "CMakeCache.txt")).read()
    if re.search(r"^VESH_INSTALL_DIR:STRING=/", cache, re.M):
        pytest.skip("this build installs into a fixed folder")
    home = str(tmp_path_factory.mktemp("home"))
    subprocess.run(["cmake", "--install", BUILD, "--prefix", os.path.join(home, ".local")],
                   check=True, capture_output=True)
    return home


def test_installed_folder_holds_the_library_and_creates_every_class(installed):
    folder = os.path.join(installed, EXTERNALS, "vesh")
    shipped = files(folder)
    for name in ("LICENSE.txt", "README.txt", "vesh-meta.pd", "examples/demo.pd",
                 "saw~-help.pd", "vesh-help.pd"):
        assert name in shipped
    assert_every_class_creates(installed)


def test_deken_package_unpacks_to_the_installed_folder(installed, tmp_path):
    subprocess.run(["cmake", "--build", BUILD, "--target", "deken"], check=True,
                   capture_output=True)
    folder = os.path.join(installed, EXTERNALS, "vesh")
    meta = open(os.path.join(folder, "vesh-meta.pd")).read()
    version = re.search(r"VERSION (\S+);", meta).group(1)
    cross = cross_builds()
    name = f"vesh[v{version}](Linux-amd64-32)" + "".join(f"({c[1]})" for c in cross)
    dek = os.path.join(BUILD, "deken", name + ".dek")
    digest = hashlib.sha256(open(dek, "rb").read()).hexdigest()
    assert open(dek + ".sha256").read().strip() == digest

    objects = dict(l.split("\t") for l in open(dek + ".txt").read().splitlines())
    assert sorted(objects) == plugins(LIBRARY)
    assert objects["saw~"] == "falling sawtooth, 1 at the start of the cycle down to -1 at its end"
    assert objects["rand.seq"].startswith("draws item numbers 0 ... n-1 ")
    assert all(objects.values())

    home = str(tmp_path)
    with zipfile.ZipFile(dek) as z:
        assert {n.split("/")[0] for n in z.namelist()} == {"vesh"}
        z.extractall(os.path.join(home, EXTERNALS))
    unpacked = os.path.join(home, EXTERNALS, "vesh")
    carried = [os.path.join(unpacked, c + suffix) for _, _, suffix in cross for c in objects]
    assert files(unpacked) == sorted(files(folder) + [os.path.relpath(p, unpacked)
                                                      for p in carried])
    assert_every_class_creates(home)
    # Each platform's host picks its own plug-ins from the shared folder.
    for platform, _, _ in cross:
        host = shlex.split(subprocess.run([os.path.join(ROOT, "scripts", "pd-host.sh"), platform],
                                          check=True, capture_output=True, text=True).stdout)
        out = run_fresh_pd(home, plugins(LIBRARY), declare=False, host=host + ["-path", unpacked])
        assert "couldn't create" not in out and "error" not in out, (platform, out)
