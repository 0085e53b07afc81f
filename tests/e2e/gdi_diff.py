#!/usr/bin/env python3
"""Compares the stand-in's frames with real GDI's, pixel for pixel.

Usage: gdi_diff.py --windows BUILD_WINDOWS_DIR --native BUILD_NATIVE_DIR
                   [--scripts N] [--seed S]

For the example scripts and N random ones (the model check's generator),
zorbel-trace runs each script natively and gives a checksum of every frame
it draws; zorbel-gdi-paint, under Wine, paints the same draw records through
the program's own PaintFrame with the system's GDI onto a 16-bit DIB section.
Every frame must have the same checksum on both sides.  For the first
differing frame of a script, both pictures are kept in
BUILD_WINDOWS_DIR/gdi-diff-artifacts with the first differing pixel named.
Exit status 0 when every frame is identical, 1 on any difference or failure,
77 when this host cannot run the Windows build.
"""

import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tests", "model"))
from compare_trace import random_scripts  # noqa: E402

MAX_KEPT = 5  # differing scripts whose pictures are kept

# GDI keeps device coordinates to 27 bits; probes of GDI under Wine found it
# dropping the body of a wide segment from about 2**26 pixels out on, by a
# rule that depends on the direction. Frames drawing that far away are
# outside what GDI draws reliably: they are counted, not compared.
GDI_REACH = 2 ** 26


def far_frames(records_path):
    """Numbers of the frames whose draw record reaches beyond GDI_REACH."""
    far = set()
    with open(records_path) as f:
        for line in f:
            if not line.startswith('{"draw":'):
                continue
            record = json.loads(line)
            values = [v for point in record["band"] for v in point] + (record["ball"] or []) + \
                [v for rect in record["tips"] for v in rect]
            if any(abs(v) >= GDI_REACH for v in values):
                far.add(record["draw"])
    return far


def pe_machine(path):
    """'i386' or 'x86-64' as objdump names the program's format (pei-*), else None."""
    head = subprocess.run(["objdump", "-f", path], capture_output=True, text=True).stdout
    return {"pei-i386": "i386", "pei-x86-64": "x86-64"}.get(head.partition("file format ")[2].split("\n")[0])


def wine_command(machine):
    if machine == "x86-64":
        loader = "/usr/lib/wine/wine64"
        if not os.access(loader, os.X_OK):
            loader = shutil.which("wine64") or shutil.which("wine")
        return [loader], "win64"
    return [shutil.which("wine") or "wine"], "win32"


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def client_size(script):
    for line in script.split("\n"):
        words = line.split("#", 1)[0].split()
        if not words:
            continue
        if words[0] == "client" and len(words) == 3:
            try:
                return int(words[1]), int(words[2])
            except ValueError:
                return None
        return 1024, 768
    return 1024, 768


def read_sums(path):
    sums = {}
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                n, value = line.split()
                sums[int(n)] = value
    return sums


def read_picture(path):
    """Width, height and RGB rows of a picture file, read through ImageMagick."""
    data = subprocess.run(["convert", path, "ppm:-"], capture_output=True, check=True).stdout
    parts = data.split(b"\n", 3)
    width, height = map(int, parts[1].split())
    return width, height, [parts[3][y * width * 3:(y + 1) * width * 3] for y in range(height)]


def first_difference(a, b):
    (wa, ha, ra), (wb, hb, rb) = a, b
    if (wa, ha) != (wb, hb):
        return "sizes differ: %dx%d here, %dx%d under GDI" % (wa, ha, wb, hb)
    count, first = 0, None
    for y in range(ha):
        if ra[y] == rb[y]:
            continue
        for x in range(wa):
            pa, pb = ra[y][3 * x:3 * x + 3], rb[y][3 * x:3 * x + 3]
            if pa != pb:
                count += 1
                if first is None:
                    first = "first differing pixel (%d,%d): #%s here, #%s under GDI" % (
                        x, y, pa.hex(), pb.hex())
    return "%s; %d pixels differ" % (first, count)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--windows", required=True, help="build directory of a Windows preset")
    ap.add_argument("--native", required=True, help="build directory of the native preset")
    ap.add_argument("--scripts", type=int, default=200, help="number of random scripts")
    ap.add_argument("--seed", type=int, default=12)
    args = ap.parse_args(argv)

    painter = os.path.join(args.windows, "zorbel-gdi-paint.exe")
    tracer = os.path.join(args.native, "zorbel-trace")
    for path in (painter, tracer):
        if not os.path.exists(path):
            print("gdi_diff: %s is missing; build it first" % path, file=sys.stderr)
            return 1
    machine = pe_machine(painter)
    if machine is None:
        print("gdi_diff: %s is not a Windows program" % painter, file=sys.stderr)
        return 1
    loader, arch = wine_command(machine)
    artifacts = os.path.join(args.windows, "gdi-diff-artifacts")
    shutil.rmtree(artifacts, ignore_errors=True)
    os.makedirs(artifacts)

    scripts = []
    for path in sorted(glob.glob(os.path.join(ROOT, "examples", "*.trace"))):
        with open(path) as f:
            scripts.append(("example " + os.path.basename(path), f.read()))
    scripts += list(random_scripts(args.seed, args.scripts))

    work = tempfile.mkdtemp(prefix="gdi-diff-")
    env = dict(os.environ, WINEPREFIX=os.path.join(work, "prefix"), WINEARCH=arch,
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)
    try:
        boot = subprocess.run(loader + ["wineboot", "-i"], env=env, capture_output=True)
        probe = subprocess.run(loader + [painter], env=env, input=b"", capture_output=True)
        if boot.returncode != 0 or probe.returncode != 0:
            print("gdi_diff: this host cannot run the %s build %s under Wine (%s)"
                  % (machine, painter, (probe.stderr or boot.stderr).decode(errors="replace")
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
            if size is not None and "cannot draw pictures" not in stderr:
                jobs.append("sums %d %d %s %s" % (size[0], size[1], wine_path(base + ".jsonl"),
                                                   wine_path(base + ".gdi")))
        paint = subprocess.run(loader + [painter], env=env, input="\n".join(jobs).encode() + b"\n",
                               capture_output=True)
        if paint.returncode != 0: # its missing frames count as differing
            print("gdi_diff: zorbel-gdi-paint failed:\n" + paint.stderr.decode(errors="replace"))

        identical = differ = kept = pictureless = far = 0
        for name, base, size, status, stderr in cases:
            pictureless += "cannot draw pictures" in stderr
            native, gdi = read_sums(base + ".native"), read_sums(base + ".gdi")
            if status != 0 and not native and "cannot draw pictures" not in stderr:
                print("%s: zorbel-trace failed: %s" % (name, stderr.strip()))
            out_of_reach = far_frames(base + ".jsonl")
            far += len((set(native) | set(gdi)) & out_of_reach)
            for n in out_of_reach:
                native.pop(n, None)
                gdi.pop(n, None)
            bad = sorted(n for n in set(native) | set(gdi) if native.get(n) != gdi.get(n))
            identical += len(set(native) | set(gdi)) - len(bad)
            differ += len(bad)
            if not bad:
                continue
            print("%s: %d of %d frames differ, the first is frame %d"
                  % (name, len(bad), len(set(native) | set(gdi)), bad[0]))
            if kept >= MAX_KEPT or bad[0] not in native or bad[0] not in gdi:
                continue
            kept += 1
            keep = os.path.join(artifacts, "s%s" % os.path.basename(base)[1:])
            os.makedirs(keep)
            shutil.copy(base + ".trace", keep)
            pictures = os.path.join(work, "png-" + os.path.basename(base))
            os.makedirs(pictures)
            subprocess.run([tracer, "--png", pictures, base + ".trace"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            mine = os.path.join(keep, "frame-%06d-standin.png" % bad[0])
            shutil.copy(os.path.join(pictures, "frame-%06d.png" % bad[0]), mine)
            ppm = os.path.join(work, "frame.ppm")
            subprocess.run(loader + [painter], env=env, capture_output=True, input=(
                "frame %d %d %s %d %s\n" % (size[0], size[1], wine_path(base + ".jsonl"), bad[0],
                                            wine_path(ppm))).encode())
            subprocess.run(["convert", ppm, os.path.join(keep, "frame-%06d-gdi.png" % bad[0])])
            print("  %s; pictures in %s" % (first_difference(read_picture(mine), read_picture(ppm)),
                                             keep))

        print("%d frames identical, %d differ (%d scripts: %d examples and %d random, seed %d, "
              "%d with a client area too large to draw; %d frames drawing beyond 2^26 pixels "
              "not compared; GDI of the %s build under Wine)"
              % (identical, differ, len(scripts), len(scripts) - args.scripts, args.scripts,
                 args.seed, pictureless, far, machine))
        return 0 if differ == 0 and identical > 0 else 1
    finally:
        # Ends the Wine server of this run's own prefix.
        server = os.path.join(os.path.dirname(loader[0]), "wineserver")
        subprocess.run([server if os.access(server, os.X_OK) else "wineserver", "-k"], env=env,
                       capture_output=True)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
