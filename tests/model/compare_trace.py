#!/usr/bin/env python3
"""Runs zorbel-trace and the reference model on the same scripts and compares them.

Usage: python3 compare_trace.py ZORBEL_TRACE

The scripts are the fixed ones below (the scene's worked examples and
malformed input) plus 300 random ones from a fixed seed.  stdout must be
byte for byte the same, and so must the exit status; for a failed script the
first stderr line must start with the same "line N: ".  The tracer reads the
scripts in turn from standard input, from "-" and from a file.  Exit status 0
when all agree, 1 on any difference (the first ones are printed with their
script).
"""

import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zorbel_model as model  # noqa: E402

INT32_MIN, INT32_MAX = model.INT32_MIN, model.INT32_MAX
SEED, RANDOM_SCRIPTS = 1, 300


# ---------------------------------------------------------------- fixed scripts

def pull(to, after=""):
    return "cursor 512 384\npress\ncursor %d %d\nstep\ndraw\n%s" % (to[0], to[1], after)


LAUNCH = "release\nstep 36\ndraw\nstep\ndraw\nstep 43\ndraw\nstep\ndraw\nstep 3\ndraw\n"

WORKED_EXAMPLES = [
    ("pull down 200, let go on 37th, out on 81st", pull((512, 584), LAUNCH)),
    ("pull down 100, wrapped band", pull((512, 484), "draw\n" + LAUNCH)),
    ("pull up", pull((512, 284), LAUNCH)),
    ("pull right (vertical band line)", pull((612, 384), "draw\n" + LAUNCH)),
    ("pull left", pull((412, 384), LAUNCH)),
    ("pull diagonal", pull((612, 484), LAUNCH)),
    ("pull to the origin, tension clamped", pull((0, 0), "release\nstep 60\ndraw\n")),
    ("exactly 40 px then 41 px",
     pull((512, 424), "cursor 512 425\nstep\ndraw\ncursor 512 424\nstep\ndraw\n" + LAUNCH)),
    ("41 then back to exactly 40 px",
     pull((552, 385), "cursor 552 384\nstep\ndraw\nrelease\nstep 40\ndraw\n")),
    ("grab 5 below, tip exchange, second frame same",
     pull((512, 389), "draw\ndraw\ncursor 512 379\nstep\ndraw\ndraw\nrelease\nstep 30\ndraw\n")),
    ("ball 30 above, band crosses itself", pull((512, 354), "draw\nrelease\nstep 30\ndraw\n")),
    ("side test truncation 0.9 vs 1.0",
     pull((512, 384), "release\nstep\ndraw\ncursor 512 385\npress\nstep\ndraw\n")),
    ("tip exactly 20 px then 21 px from the ball",
     pull((492, 384), "draw\ncursor 493 384\nstep\ndraw\ncursor 532 384\nstep\ndraw\n"
                      "cursor 531 384\nstep\ndraw\n")),
    ("left tip inside the ball, right one outside",
     pull((480, 390), "draw\nrelease\nstep 20\ndraw\n")),
    ("ball released exactly on the rest centre stays",
     pull((512, 384), "release\nstep 200\ndraw\nframe\n")),
    ("catch in flight, release on the other side",
     pull((612, 484), "release\nstep 10\ndraw\ncursor 512 384\npress\ncursor 470 350\n"
                      "step\ndraw\nrelease\nstep 5\ndraw\ncursor 470 350\npress\nstep\n"
                      "release\nstep 120\ndraw\n")),
    ("catch in flight and launch again",
     pull((512, 584), "release\nstep 20\ncursor 512 384\npress\ncursor 300 700\nstep 3\n"
                      "draw\nrelease\nstep 150\ndraw\n")),
    ("recentre with a tilted fork",
     pull((612, 484), LAUNCH + "resize 800 600\ndraw\nstep\ndraw\nresize 1024 768\ndraw\n"
                               "cursor 512 384\npress\nstep\ndraw\n")),
    ("800 x 600: let go on the 32nd step",
     "client 800 600\ncursor 400 300\npress\ncursor 400 500\nstep\ndraw\n"
     "release\nstep 31\ndraw\nstep\ndraw\nstep 60\ndraw\n"),
    ("1023 x 767 centre", "client 1023 767\ndraw\ncursor 511 383\npress\ncursor 600 383\n"
                          "step\ndraw\nrelease\nstep 200\n"),
    ("client 0 x 0", "client 0 0\ndraw\nstep\ncursor 0 0\npress\nstep\ndraw\ncursor 100 100\n"
                     "step\ndraw\nrelease\nstep 10\ndraw\ncursor -40 5\npress\nstep\n"
                     "cursor 3 3\nstep\nrelease\nstep 5\ndraw\n"),
    ("client 1 x 1", "client 1 1\ncursor 0 0\npress\ncursor 0 60\nstep\ndraw\nrelease\n"
                     "step 40\ndraw\ncursor -39 0\npress\ncursor 50 -70\nstep\ndraw\nrelease\n"
                     "step 40\ndraw\n"),
    ("client 1 px wide", "client 1 768\ncursor 0 384\npress\ncursor 0 584\nstep\ndraw\n"
                         "release\nstep 100\ndraw\n"),
    ("client 2 px wide, band oscillates", "client 2 768\ncursor 1 384\npress\n"
                                          "cursor 301 584\nstep\nrelease\nstep 300\ndraw\n"),
    ("client 100000 x 100000", "client 100000 100000\ncursor 50000 50000\npress\n"
                               "cursor 0 100000\nstep\ndraw\nrelease\nstep 300\ndraw\n"),
    ("resize to 0 x 0 in flight and back",
     pull((612, 484), "release\nstep 5\nresize 0 0\ndraw\nstep 3\ndraw\nresize 1024 768\n"
                      "step 100\ndraw\n")),
    ("resize while dragging", pull((700, 600), "resize 800 600\nstep\ndraw\nresize 1 1\n"
                                               "step\ndraw\nrelease\nstep 80\ndraw\n")),
    ("cursor at int32 extremes while dragging",
     pull((INT32_MIN, INT32_MAX), "draw\ncursor 2147483647 -2147483648\nstep\ndraw\nrelease\n"
                                  "step 4\ndraw\n")),
    ("release from far away", pull((-1000000, 3000000), "release\nstep 10\ndraw\n")),
    ("two presses, one release; press off band",
     "cursor 512 384\npress\npress\ncursor 600 500\nstep\nrelease\nrelease\nstep\n"
     "cursor 0 0\npress\nstep 100\ndraw\n"),
    ("hit test edges", "".join("cursor %d %d\npress\nrelease\n" % p for p in [
        (472, 374), (551, 393), (552, 384), (512, 394), (512, 373), (471, 380)])),
    ("tilted hit rectangle",
     pull((530, 600), "release\nstep 200\n" + "".join("cursor %d %d\npress\nrelease\n" % p for p in [
         (510, 340), (515, 345), (505, 420), (520, 428), (502, 384)]))),
    ("clock catch-up 40 ms before the first frame",
     "start\ntick 4\nframe\ntick 40\nframe\ntick 46\nframe\ntick 56\nframe\ntick 60\nframe\n"
     "tick 64\nframe\ntick 72\nframe\n"),
    ("stalls of 1 s, 2 s and 12 h: at most 1 s caught up",
     "start\ntick 10\nframe\ntick 1010\nframe\ntick 1011\nframe\ntick 3013\nframe\ntick 3014\nframe\n"
     "tick 43203017\nframe\ntick 43203020\nframe\n"),
    ("frames before start", "tick 100\nframe\ntick 500\nframe\nstart\ntick 504\nframe\n"
                            "tick 505\nframe\ntick 511\nframe\n"),
    ("start given again before the first step", "start\ntick 3\nframe\nstart\ntick 7\nframe\n"
                                                "tick 8\nframe\nstart\ntick 13\nframe\n"),
    ("tick count wrap", "tick 4294967290\nstart\ntick 4294967295\nframe\ntick 3\nframe\n"
                        "tick 10\nframe\ntick 17\nframe\ntick 20\nframe\n"),
    ("clock value wrap after ~4.97 days",
     "start\ntick 429496720\nframe\n" + "".join(
         "tick %d\nframe\n" % t for t in range(429496725, 429496760, 3)) +
     "tick 429496829\nframe\n"),
    ("clock value wrap with tick wrap",
     "tick 4000000000\nstart\ntick 134529423\nframe\n" + "".join(
         "tick %d\nframe\n" % t for t in range(134529428, 134529460, 7))),
    ("pull driven by frames", "start\ncursor 512 384\npress\n" + "".join(
        "cursor %d %d\ntick %d\nframe\n" % (512 + 3 * i, 384 + 7 * i, 5 * i) for i in range(40)) +
     "release\n" + "".join("tick %d\nframe\n" % (200 + 11 * i) for i in range(60))),
    ("comments, blanks, tabs, -0",
     "# header\n\n   \t\nclient\t1024  768 # full\ncursor -0 -0\n\tstep#x\ndraw  \n"),
    ("leading zeros", "cursor 0512 0384\npress\nstep 002\ndraw\n"),
    ("empty script", ""),
    ("only comments", "# nothing\n\n#\n"),
    ("step 0 and long run", pull((512, 700), "step 0\nrelease\nstep 5000\ndraw\n")),
]

# Each is named by its own text in a report.
MALFORMED = [
    'frob\n', 'step 3\ndraw\n\n# c\nfrob 1\n', 'STEP\n', 'step 1 2\n', 'press now\n',
    'release 0\n', 'draw x\n', 'frame 1\n', 'start 5\n', 'cursor 5\n', 'resize\n', 'tick\n',
    'client 800\n', 'step x\n', 'step 1x\n', 'cursor 1.5 0\n', 'cursor 0x10 0\n',
    'cursor +1 0\n', 'cursor - 5\n', 'cursor --5 0\n', 'cursor 5 5-\n', 'step -1\n',
    'step -0\n', 'tick -0\n', 'client -0 5\n', 'resize 5 -0\n', 'tick -1\n', 'resize -5 5\n',
    'client 5 -5\n', 'step 1000001\n', 'client 100001 5\n', 'resize 5 100001\n',
    'tick 4294967296\n', 'cursor 2147483648 0\n', 'cursor 0 -2147483649\n',
    'step 99999999999999999999999999999999\n', 'cursor -99999999999999999999999999999999 0\n',
    'draw\nclient 800 600\n', '# c\n\nstep\nclient 1024 768\n',
    'client 800 600\nclient 800 600\n', b'step 1\n\xff\n', 'step \u0663\n', 'step\x00\n',
    'start\ntick 20\nframe\ntick 30\nframe\nframe 2\n',
]


# ---------------------------------------------------------------- random scripts

class ScriptGen:
    """Builds one random script, steering it with a shadow model.

    The shadow model only decides where the band is (to press on it), whether a
    frame would start an endless catch-up, and when the script has made enough
    records; the expected output comes from a fresh run of the finished text.
    """

    def __init__(self, rnd):
        self.rnd = rnd
        self.lines = []
        self.app = model.App([])
        self.budget = rnd.choice([60, 150, 300, 600, 1200])

    def emit(self, line):
        self.app.execute(model.tokens(line))
        r = self.rnd.random()
        if r < 0.03:
            line = "  " + line.replace(" ", " \t ") + "\t# " + str(self.rnd.randint(0, 99))
        elif r < 0.05:
            self.lines.append("# comment" if r < 0.04 else "")
        self.lines.append(line)

    # -- geometry: each a table of candidates and their weights

    def size(self):
        rnd = self.rnd
        return rnd.choices([(1024, 768), (800, 600), (rnd.randint(0, 3), rnd.randint(0, 3)),
                            (rnd.randint(0, 4), rnd.randint(0, 2000)),
                            (rnd.choice([100000, 99999]), rnd.randint(0, 100000)),
                            (rnd.randint(0, 3000), rnd.randint(0, 3000))],
                           [45, 15, 15, 10, 5, 10])[0]

    def target(self):
        """A cursor position to pull to, from ordinary to hostile."""
        rnd, L = self.rnd, self.app.launcher
        cx, cy = L.RestCentre
        w, h = self.app.size
        d = rnd.choice([40, 41, 39, 20, 21, 60, 0])
        tx, ty = rnd.choice([L.LeftTip, L.RightTip])
        return rnd.choices([
            (cx + rnd.randint(-250, 250), cy + rnd.randint(-250, 250)),
            (cx + rnd.randint(-60, 60), cy + rnd.randint(-60, 60)),
            (rnd.randint(-30, w + 30), rnd.randint(-30, h + 30)),
            # on the 40 px circle or just outside, along an axis
            rnd.choice([(cx + d, cy), (cx - d, cy), (cx, cy + d), (cx, cy - d)]),
            # about 20 px from one of the tips
            (tx + rnd.choice([20, -20, 21, -21, 0]), ty + rnd.choice([0, 1, -1, 14, -15])),
            (rnd.randint(-10 ** 7, 10 ** 7), rnd.randint(-10 ** 7, 10 ** 7)),
            (rnd.choice([INT32_MIN, INT32_MAX, INT32_MIN + 1, 0, rnd.randint(INT32_MIN, INT32_MAX)]),
             rnd.choice([INT32_MIN, INT32_MAX, INT32_MAX - 1, 0, rnd.randint(INT32_MIN, INT32_MAX)]))],
            [30, 15, 15, 10, 10, 10, 10])[0]

    def band_point(self):
        """A point inside the grab rectangle when one can be found."""
        L = self.app.launcher
        (lx, ly), (rx, ry) = L.LeftTip, L.RightTip
        for _ in range(30):
            t = self.rnd.random()
            p = (int(lx + (rx - lx) * t) + self.rnd.randint(-9, 9),
                 int(ly + (ry - ly) * t) + self.rnd.randint(-9, 9))
            if L.hit_test(p):
                return p
        return (lx + rx) // 2, (ly + ry) // 2

    # -- time

    def advance(self):
        """Lets some time pass: plain steps, or clock ticks and a frame."""
        rnd = self.rnd
        if self.app.StepInterval and rnd.random() < 0.6:
            dt = rnd.choice([0, 1, 4, 5, 5, 5, 6, 9, 10, 12, 16, 17, 33, 50, 120, 2000])
            self.emit("tick %d" % ((self.app.tick + dt) & 0xFFFFFFFF))
            self.frame()
        elif rnd.random() < 0.8:
            self.emit(rnd.choice(["step", "step 1", "step %d" % rnd.randint(0, 4)]))
        else:
            self.emit("draw")

    def frame(self):
        """A frame, unless it would start an endless catch-up."""
        a = self.app
        gap = (a.clock_now() - a.NextStepTime) & 0xFFFFFFFF
        if not a.StepInterval or a.NextStepTime == 0 or gap // a.StepInterval <= 3000:
            self.emit("frame")

    def start_clock(self):
        rnd = self.rnd
        if self.app.NextStepTime != 0:
            return                          # a restart now would replay the whole clock
        r = rnd.random()
        if r < 0.3:
            self.emit("tick %d" % rnd.choice([4294967295 - rnd.randint(0, 3000), rnd.randint(0, 2 ** 32 - 1)]))
        self.emit("start")
        if r > 0.8:   # first step just before the clock value wraps
            self.emit("tick %d" % ((self.app.ClockStart + 429496729 - rnd.randint(0, 120)) & 0xFFFFFFFF))
            self.frame()

    # -- actions

    def pull_and_launch(self):
        rnd = self.rnd
        self.emit("cursor %d %d" % (self.band_point() if rnd.random() < 0.85 else self.target()))
        self.emit("press")
        x, y = self.app.cursor
        tx, ty = self.target()
        n = rnd.choice([1, 2, 5, 10, 20])
        for i in range(1, n + 1):
            px = x + (tx - x) * i // n + rnd.randint(-2, 2)
            py = y + (ty - y) * i // n + rnd.randint(-2, 2)
            self.emit("cursor %d %d" % (model.clamp32(px), model.clamp32(py)))
            self.advance()
            if rnd.random() < 0.4:
                self.emit("draw")
        if rnd.random() < 0.9:
            self.emit("release")
        self.fly()

    def fly(self):
        rnd = self.rnd
        for _ in range(rnd.randint(1, 12)):
            r = rnd.random()
            if r < 0.35:
                self.emit("step %d" % rnd.choice([1, 5, 20, 36, 37, 50, 100, 200]))
                self.emit("draw")
            elif r < 0.55:
                self.advance()
            elif r < 0.65 and self.app.launcher.BallAlive:    # caught while still in play
                self.emit("cursor %d %d" % self.band_point())
                self.emit("press")
                self.advance()
                return
            elif r < 0.72:
                self.resize()
            else:
                self.advance()
            if len(self.app.out) > self.budget:
                return

    def resize(self):
        self.emit("resize %d %d" % self.size())

    def stray_input(self):
        self.emit(self.rnd.choices(["cursor %d %d" % self.target(), "press", "release"], [4, 3, 3])[0])

    def build(self):
        rnd = self.rnd
        self.emit("client %d %d" % self.size() if rnd.random() < 0.6 else "draw")
        if rnd.random() < 0.5:
            self.start_clock()
        actions, weights = zip((self.pull_and_launch, 6), (self.advance, 4), (self.resize, 1),
                               (self.stray_input, 2), (self.start_clock, 1), (self.fly, 2))
        while len(self.app.out) < self.budget and len(self.lines) < 4 * self.budget:
            rnd.choices(actions, weights)[0]()
        return "\n".join(self.lines) + ("\n" if rnd.random() < 0.9 else "")


def random_scripts(seed, count):
    rnd = random.Random(seed)
    for i in range(count):
        yield "random #%d (seed %d)" % (i, seed), ScriptGen(rnd).build()


# ---------------------------------------------------------------- comparison

def error_prefix(line):
    return line[:line.find(":") + 2] if line.startswith("line ") and ":" in line else line


def compare(tracer, script, how, path):
    """Returns None when the tracer and the model agree, else what differs."""
    data = script if isinstance(script, bytes) else script.encode("utf-8")
    m_out, m_err, m_status = model.run_script(data)
    with open(path, "wb") as f:
        f.write(data)
    argv = [tracer] + {"stdin": [], "dash": ["-"], "file": [path]}[how]
    try:
        p = subprocess.run(argv, input=None if how == "file" else data, capture_output=True,
                           timeout=120)
    except subprocess.TimeoutExpired:
        return "tracer timed out"
    problems = []
    t_out = p.stdout.decode("latin-1").split("\n")
    for n, (t, m) in enumerate(zip(t_out + ["<end>"], m_out.split("\n") + ["<end>"])):
        if t != m:
            problems.append("stdout differs at line %d:\n  tracer: %s\n  model:  %s" % (n + 1, t, m))
            break
    t_err = p.stderr.decode("latin-1").split("\n", 1)[0]
    m_err = m_err.split("\n", 1)[0]
    if p.returncode != m_status:
        problems.append("exit status: tracer %d, model %d (tracer stderr: %r)"
                        % (p.returncode, m_status, t_err))
    elif m_status != 0 and error_prefix(t_err) != error_prefix(m_err):
        problems.append("stderr: tracer %r, model %r" % (t_err, m_err))
    return "\n".join(problems) or None


def main(argv):
    if len(argv) != 1 or not os.access(argv[0], os.X_OK):
        print("usage: compare_trace.py ZORBEL_TRACE (the tracer, runnable)", file=sys.stderr)
        return 2
    cases = [("worked example: " + n, s) for n, s in WORKED_EXAMPLES]
    cases += [("malformed: %r" % s, s) for s in MALFORMED]
    cases += list(random_scripts(SEED, RANDOM_SCRIPTS))

    failures = []
    with tempfile.TemporaryDirectory() as workdir:
        for i, (name, script) in enumerate(cases):
            report = compare(argv[0], script, ("stdin", "dash", "file")[i % 3],
                             os.path.join(workdir, "script.txt"))
            if report:
                failures.append("=== MISMATCH: %s\n%s\n%s" % (name, script, report))

    for failure in failures[:3]:
        print(failure + "\n")
    if failures:
        print("compare_trace: %d of %d scripts differ" % (len(failures), len(cases)))
        return 1
    print("compare_trace: %d scripts (%d worked examples, %d malformed, %d random, seed %d) "
          "agree with the model"
          % (len(cases), len(WORKED_EXAMPLES), len(MALFORMED), RANDOM_SCRIPTS, SEED))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
