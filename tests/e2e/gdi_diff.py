#!/usr/bin/env python3
"""Compares the stand-in's frames with real GDI's, pixel for pixel.

Usage: gdi_diff.py BUILD_WINDOWS_DIR BUILD_NATIVE_DIR, run by gdi_diff.sh,
which makes the Wine prefix (WINEPREFIX) and names the loader (E2E_WINE).

For the example scripts and 200 random ones (tests/support/trace_scripts.py),
zorbel-trace runs each script natively and gives a checksum of every frame
it draws; zorbel-gdi-paint, under Wine, paints the same draw records through
the program's own PaintFrame with the system's GDI onto a 16-bit DIB section.
Every frame must have the same checksum on both sides.  For the first
differing frame of a script, both pictures are kept in
BUILD_WINDOWS_DIR/gdi-diff-artifacts with the first differing pixel named.
Exit status 0 when every frame is identical, 1 on any difference or failure,
77 when this host cannot run the Windows build.
"""

import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from trace_scripts import random_scripts  # noqa: E402

SEED, RANDOM_SCRIPTS = 12, 200
MAX_KEPT = 5  # differing scripts whose pictures are kept

# GDI keeps device coordinates to 27 bits; probes of GDI under Wine found it
# dropping the body of a wide segment from about 2**26 pixels out on, by a
# rule that depends on the direction, and the 32-bit build's GDI dropped a
# 2-pixel band reaching 3.5e7 pixels (past 2**25) that the 64-bit one drew.
# Frames drawing that far away are outside what GDI draws reliably: they are
# counted, not compared.
GDI_REACH = 2 ** 25


def far_frames(records_path):
    """Numbers of the frames whose draw record reaches beyond GDI_REACH."""
    with open(records_path) as f:
        draws = [json.loads(line) for line in f if line.startswith('{"draw":')]
    return {d["draw"] for d in draws
            if any(abs(v) >= GDI_REACH for shape in d["band"] + d["tips"] + [d["ball"] or []]
                   for v in shape)}


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def client_size(script):
    """The client area a script asks for: its first command's, or the default."""
    for line in script.split("\n"):
        words = line.split("#", 1)[0].split()
        if words:
            ok = words[0] == "client" and len(words) == 3 and all(w.isdigit() for w in words[1:])
            return (int(words[1]), int(words[2])) if ok else (1024, 768)
    return 1024, 768


def read_sums(path):
    """Frame number to checksum, from a file of "N CHECKSUM" lines."""
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        return {int(n): value for n, value in (line.split() for line in f)}


def read_picture(path):
    """Width, height and RGB bytes of a picture file, read through ImageMagick."""
    data = subprocess.run(["convert", path, "ppm:-"], capture_output=True, check=True).stdout
    parts = data.split(b"\n", 3)
    width, height = map(int, parts[1].split())
    return width, height, parts[3]


def first_difference(a, b):
    (wa, ha, pa), (wb, hb, pb) = a, b
    if (wa, ha) != (wb, hb):
        return "sizes differ: %dx%d here, %dx%d under GDI" % (wa, ha, wb, hb)
    differing = [i for i in range(0, len(pa), 3) if pa[i:i + 3] != pb[i:i + 3]]
    if not differing:
        return "the pictures are the same"
    i = differing[0]
    return "first differing pixel (%d,%d): #%s here, #%s under GDI; %d pixels differ" % (
        i // 3 % wa, i // 3 // wa, pa[i:i + 3].hex(), pb[i:i + 3].hex(), len(differing))


def main(argv):
    loader = os.environ.get("E2E_WINE")
    if len(argv) != 2 or not loader or "WINEPREFIX" not in os.environ:
        print("usage: gdi_diff.py BUILD_WINDOWS_DIR BUILD_NATIVE_DIR (through gdi_diff.sh)",
              file=sys.stderr)
        return 1
    painter = os.path.join(argv[0], "zorbel-gdi-paint.exe")
    tracer = os.path.join(argv[1], "zorbel-trace")
    for path in (painter, tracer):
        if not os.path.exists(path):
            print("gdi_diff: %s is missing; build it first" % path, file=sys.stderr)
            return 1
    machine = os.environ.get("WINEARCH")
    artifacts = os.path.join(argv[0], "gdi-diff-artifacts")
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)

    scripts = []
    for path in sorted(glob.glob(os.path.join(ROOT, "examples", "*.trace"))):
        with open(path) as f:
            scripts.append(("example " + os.path.basename(path), f.read()))
    scripts += list(random_scripts(SEED, RANDOM_SCRIPTS))

    work = tempfile.mkdtemp(prefix="gdi-diff-")
    env = dict(os.environ, WINEDEBUG="-all")
    env.pop("DISPLAY", None)
    try:
        probe = subprocess.run([loader, painter], env=env, input=b"", capture_output=True)
        if probe.returncode != 0:
            print("gdi_diff: this host cannot run the %s build %s under Wine (%s)"
                  % (machine, painter, probe.stderr.decode(errors="replace")
                     .strip().split("\n")[-1]), file=sys.stderr)
            return 77

        jobs, cases = [], []
        for i, (name, script) in enumerate(scripts):
            base = os.path.join(work, "s%04d" % i)
            with open(base + ".trace", "w") as f:
                f.write(script)
            size = client_size(script)
            with open(base + ".jsonl", "wb") as out:
                run = subprocess.run([tracer, "--sums", base + ".native", base + ".trace"],
                                     stdout=out, stderr=subprocess.PIPE)
            stderr = run.stderr.decode(errors="replace")
            cases.append((name, base, size, run.returncode, stderr))
            # A client area that the stand-in cannot make a display of has
            # no pictures on either side.
            if "cannot draw pictures" not in stderr:
                jobs.append("sums %d %d %s %s" % (size[0], size[1], wine_path(base + ".jsonl"),
                                                   wine_path(base + ".gdi")))
        paint = subprocess.run([loader, painter], env=env, input="\n".join(jobs).encode() + b"\n",
                               capture_output=True)
        if paint.returncode != 0: # its missing frames count as differing
            print("gdi_diff: zorbel-gdi-paint failed:\n" + paint.stderr.decode(errors="replace"))

        identical = differ = kept = pictureless = far = 0
        for name, base, size, status, stderr in cases:
            pictureless += "cannot draw pictures" in stderr
            native, gdi = read_sums(base + ".native"), read_sums(base + ".gdi")
            if status != 0 and not native and "cannot draw pictures" not in stderr:
                print("%s: zorbel-trace failed: %s" % (name, stderr.strip()))
            drawn = set(native) | set(gdi)
            out_of_reach = far_frames(base + ".jsonl")
            far += len(drawn & out_of_reach)
            compared = drawn - out_of_reach
            bad = sorted(n for n in compared if native.get(n) != gdi.get(n))
            identical += len(compared) - len(bad)
            differ += len(bad)
            if not bad:
                continue
            print("%s: %d of %d frames differ, the first is frame %d"
                  % (name, len(bad), len(compared), bad[0]))
            if kept >= MAX_KEPT or bad[0] not in native or bad[0] not in gdi:
                continue
            kept += 1
            keep = os.path.join(artifacts, os.path.basename(base))
            pictures = os.path.join(work, "png-" + os.path.basename(base))
            os.makedirs(keep)
            os.makedirs(pictures)
            shutil.copy(base + ".trace", keep)
            subprocess.run([tracer, "--png", pictures, base + ".trace"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            mine = os.path.join(keep, "frame-%06d-standin.png" % bad[0])
            shutil.copy(os.path.join(pictures, "frame-%06d.png" % bad[0]), mine)
            ppm = os.path.join(work, "frame.ppm")
            subprocess.run([loader, painter], env=env, capture_output=True, input=(
                "frame %d %d %s %d %s\n" % (size[0], size[1], wine_path(base + ".jsonl"), bad[0],
                                            wine_path(ppm))).encode())
            subprocess.run(["convert", ppm, os.path.join(keep, "frame-%06d-gdi.png" % bad[0])])
            print("  %s; pictures in %s" % (first_difference(read_picture(mine), read_picture(ppm)),
                                             keep))

        print("%d frames identical, %d differ (%d scripts: %d examples and %d random, seed %d, "
              "%d with a client area too large to draw; %d frames drawing beyond 2^25 pixels "
              "not compared; GDI of the %s build under Wine)"
              % (identical, differ, len(scripts), len(scripts) - RANDOM_SCRIPTS, RANDOM_SCRIPTS,
                 SEED, pictureless, far, machine))
        return 0 if differ == 0 and identical > 0 else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
