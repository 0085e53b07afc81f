#!/usr/bin/env python3
"""From a pointer move to the device's new force, in the real program.

Runs build/native/zorbel on its own Xvfb (16 bits, 1024 x 768) against the
tests' stand-in force joystick (tests/evdev, preloaded), holds the band, and
moves the pointer through XTEST at random moments, each move changing the
spring's force; it times each move, from the X server having it, to the
stand-in device being told the new force (its log growing by an upload),
and prints the mean, the 99th percentile and the worst.

    tools/bench/force_delay.py BUILD_DIR [MOVES]
"""
import ctypes
import os
import random
import subprocess
import sys
import tempfile
import time


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/native")
    moves = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    standin = os.path.join(build, "tests/evdev/libevdev_standin.so")
    work = tempfile.mkdtemp(prefix="zorbel-force-delay.")
    log = os.path.join(work, "device.log")
    xvfb = subprocess.Popen(["Xvfb", ":73", "-screen", "0", "1024x768x16", "-nolisten", "tcp"],
                            stderr=subprocess.DEVNULL)
    program = None
    try:
        time.sleep(1)
        x11 = ctypes.CDLL("libX11.so.6")
        xtst = ctypes.CDLL("libXtst.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        display = ctypes.c_void_p(x11.XOpenDisplay(b":73"))
        if not display:
            sys.exit("force_delay: no X server")

        def move(x, y):
            xtst.XTestFakeMotionEvent(display, 0, x, y, 0)
            x11.XFlush(display)

        def button(down):
            xtst.XTestFakeButtonEvent(display, 1, down, 0)
            x11.XFlush(display)

        env = dict(os.environ, DISPLAY=":73", LD_PRELOAD=standin, EVDEV_STANDIN_DEVICES="joystick",
                   EVDEV_STANDIN_LOG=log, SDL_JOYSTICK_DISABLE_UDEV="1",
                   TACLIB_LOG=os.path.join(work, "taclib.log"),
                   XDG_RUNTIME_DIR=work)
        program = subprocess.Popen([os.path.join(build, "zorbel")], cwd=work, env=env)
        deadline = time.monotonic() + 20
        while "CTacSpring::Initialize" not in open(env["TACLIB_LOG"]).read() if os.path.exists(
                env["TACLIB_LOG"]) else True:
            if time.monotonic() > deadline:
                sys.exit("force_delay: the program never set up its force feedback")
            time.sleep(0.05)
        time.sleep(0.5)
        move(500, 384)
        time.sleep(0.1)
        move(512, 384)
        time.sleep(0.1)
        button(True)
        time.sleep(0.3)

        def uploads():
            with open(log) as f:
                return sum(1 for line in f if " upload " in line)

        delays = []
        y = 484
        for _ in range(moves):
            time.sleep(random.uniform(0.02, 0.06))
            before = uploads()
            y = 584 if y == 484 else 484
            move(512, y)
            start = time.monotonic()
            while uploads() == before:
                if time.monotonic() - start > 1:
                    sys.exit("force_delay: a move was never followed by the device")
                time.sleep(0.0002)
            delays.append((time.monotonic() - start) * 1000)
        button(False)
        delays.sort()
        mean = sum(delays) / len(delays)
        p99 = delays[min(len(delays) - 1, len(delays) * 99 // 100)]
        print("pointer move to device force (ms), %d moves: mean %.2f, 99th percentile %.2f, "
              "worst %.2f; load average %.2f" % (len(delays), mean, p99, delays[-1],
                                                 os.getloadavg()[0]))
    finally:
        if program is not None:
            program.terminate()
            program.wait()
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
