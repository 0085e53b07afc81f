"""Reference model of the launcher scene, its clock and the trace script runner.

Written independently of the C++ program so that zorbel-trace can be checked
bit for bit against it.  Every double expression is evaluated in the same
grouping as the program's arithmetic; Python floats are IEEE doubles and
Python evaluates each operation without wider intermediates, so the results
match as long as the grouping does.
"""

import decimal
import math
import re

INT32_MIN = -2147483648
INT32_MAX = 2147483647
U32 = 0xFFFFFFFF

BALL_RADIUS = 20
TIP_RADIUS = 10
REST_HALF_SPAN = 40


# ---------------------------------------------------------------- numbers

def trunc32(x):
    """The one double -> int conversion: toward zero, NaN to 0, saturating."""
    if x != x:
        return 0
    if x >= 2147483647.0:
        return INT32_MAX
    if x <= -2147483648.0:
        return INT32_MIN
    return int(x)


def clamp32(n):
    return INT32_MIN if n < INT32_MIN else INT32_MAX if n > INT32_MAX else n


def idiv(a, b):
    """Integer division truncating toward zero (C semantics)."""
    q = abs(a) // abs(b)
    return -q if (a < 0) != (b < 0) else q


def fdiv(a, b):
    """IEEE double division, including division by zero."""
    if b != 0.0:
        return a / b
    if a != a or a == 0.0:
        return math.nan
    return math.copysign(1.0, a) * math.copysign(math.inf, b)


def fmt_double(x):
    """Shortest round-trip form, laid out as C++17 std::to_chars(double)."""
    if x != x or x in (math.inf, -math.inf):
        return "null"
    if x == 0.0:
        return "-0" if math.copysign(1.0, x) < 0 else "0"
    shortest = decimal.Decimal(repr(abs(x))).normalize()
    _, digits, power = shortest.as_tuple()
    digits = "".join(map(str, digits))          # value = digits * 10**power
    n = len(digits)
    # Integral values print every digit of their exact value, as %f does.
    fixed = str(int(abs(x))) if power >= 0 else format(shortest, "f")
    e = n - 1 + power
    sci = digits[0] + ("." + digits[1:] if n > 1 else "") + "e%s%02d" % ("-+"[e >= 0], abs(e))
    return ("-" if x < 0 else "") + min(fixed, sci, key=len)


def around(centre, radius):
    """Bounding rectangle of a circle; its corners are 32-bit like any stored
    coordinate, so a ball at the edge of the int range gets a clipped box."""
    x, y = centre
    return (clamp32(x - radius), clamp32(y - radius), clamp32(x + radius), clamp32(y + radius))


# ---------------------------------------------------------------- launcher

class Launcher:
    """The scene in a client area of SIZE, whose top left corner is (0, 0)."""

    def __init__(self, size):
        hw = idiv(size[0], 2)
        hh = idiv(size[1], 2)
        self.BandSide = self.BandStretched = self.Engaged = self.BallAlive = 0
        self.BallX = float(hw)
        self.BallY = float(hh)
        self.AccelX = self.AccelY = self.VelX = self.VelY = self.Tension = 0.0
        self.BandPenWidth = 3
        self.BallPoint = (0, 0)
        self.RightTip = (hw + REST_HALF_SPAN, hh)
        self.LeftTip = (hw - REST_HALF_SPAN, hh)
        self.RestCentre = (hw, hh)

    # -- stepping

    def step(self, size, drag, cursor):
        if drag:
            self.BallPoint = cursor
            self.BallX = float(cursor[0])
            self.BallY = float(cursor[1])
        else:
            if not self.BallAlive:
                self.Tension = 0.0
                self.BandPenWidth = 10
                return
            if self.Engaged:
                self._accelerate(size)
            self.BallX += self.VelX
            self.BallY += self.VelY
            self.BallPoint = (trunc32(self.BallX), trunc32(self.BallY))
            if not self.Engaged and self._off_screen(size):
                self.VelX = self.VelY = 0.0
                self.BallAlive = 0
                self.BallPoint = cursor
        if self.Engaged:
            self._place_tips(size)

    def _accelerate(self, size):
        h = max(idiv(size[0], 2), 1)
        nx = (float(self.RestCentre[0]) - self.BallX) / float(h)
        ny = (float(self.RestCentre[1]) - self.BallY) / float(h)
        if self.AccelX * nx < 0.0 or self.AccelY * ny < 0.0:
            self.AccelX = self.AccelY = 0.0
            self.Engaged = 0
        else:
            self.AccelX = nx
            self.AccelY = ny
            self.VelX += self.AccelX
            self.VelY += self.AccelY

    def _off_screen(self, size):
        x, y = self.BallPoint
        return x > size[0] + 20 or x < -20 or y > size[1] + 20 or y < -20

    def _place_tips(self, size):
        fdx = float(self.BallPoint[0] - self.RestCentre[0])
        fdy = float(self.BallPoint[1] - self.RestCentre[1])
        d = math.sqrt(fdx * fdx + fdy * fdy)
        k = fdiv(80.0, 2.0 * d)
        if k >= 1.0:
            self.BandStretched = 0
            return
        self.BandStretched = 1
        cx = float(self.RestCentre[0])
        cy = float(self.RestCentre[1])
        self.LeftTip = (trunc32(cx - k * fdy), trunc32(cy + k * fdx))
        self.RightTip = (trunc32(cx + k * fdy), trunc32(cy - k * fdx))
        tension = 1.0 if size[0] <= 0 else min((80.0 / k) / float(size[0]), 1.0)
        self.Tension = tension
        self.BandPenWidth = 2 - trunc32(-9.0 * (1.0 - tension))

    # -- input

    def hit_test(self, pt):
        """1 when PT is in the band's rectangle, widened where it is thin."""
        left, right = sorted((self.LeftTip[0], self.RightTip[0]))
        top, bottom = sorted((self.LeftTip[1], self.RightTip[1]))
        if bottom - top < 20:
            p = (20 - (bottom - top)) // 2
            top, bottom = top - p, bottom + p
        if right - left < 10:
            p = (20 - (right - left)) // 2
            left, right = left - p, right + p
        return 1 if left <= pt[0] < right and top <= pt[1] < bottom else 0

    def grab(self):
        self.BallAlive = 1
        self.Engaged = 1
        self.VelX = self.VelY = 0.0

    def recentre(self, x, y):
        sx = x - self.RestCentre[0]
        sy = y - self.RestCentre[1]
        self.RestCentre = (x, y)
        self.LeftTip = (clamp32(self.LeftTip[0] + sx), clamp32(self.LeftTip[1] + sy))
        self.RightTip = (clamp32(self.RightTip[0] + sx), clamp32(self.RightTip[1] + sy))

    # -- band logic of a frame

    def band_colour(self):
        if not self.Engaged:
            green = red = 0
        else:
            green = trunc32(self.Tension * 255.0)
            red = trunc32(max(self.Tension - 0.8, 0.0) * 1275.0)
        return 0x00FF0000 | ((green & 0xFF) << 8) | (red & 0xFF)

    def update_side(self):
        bdx = trunc32(self.BallX - float(self.RestCentre[0]))
        bdy = trunc32(self.BallY - float(self.RestCentre[1]))
        ax = self.LeftTip[0] - self.RestCentre[0]
        ay = self.LeftTip[1] - self.RestCentre[1]
        if ax != 0:
            s = 1 if idiv(bdx * ay, ax) < bdy else 0
        elif ay != 0:
            s = 1 if bdx > 0 else 0
        else:
            return
        if s == self.BandSide:
            return
        self.BandSide = s
        if self.BandStretched == 0:
            self.LeftTip, self.RightTip = self.RightTip, self.LeftTip

    def tangent_point(self, x, y):
        """Touching point from (x, y) on the ball circle, or None."""
        bx = self.BallX
        by = self.BallY
        dx = float(x) - bx
        dy = float(y) - by
        d2 = dy * dy + dx * dx
        if not d2 > 400.0:
            return None
        f = 400.0 / d2
        g = math.sqrt(d2 - 400.0) * (20.0 / d2)
        if x == self.RightTip[0] and y == self.RightTip[1]:
            g = -g
        tx = ((f * dx + bx) - g * dy) + (g * dy + g * dy)
        ty = ((f * dy + by) + g * dx) - (g * dx + g * dx)
        return (tx, ty)

    def rim_point(self, p, q):
        bx = self.BallX
        by = self.BallY
        mx = (p[0] + q[0]) * 0.5 - bx
        my = (p[1] + q[1]) * 0.5 - by
        length = math.sqrt(mx * mx + my * my)
        if length == 0.0:
            # Chord through the centre: take the chord's perpendicular.
            mx = p[1] - q[1]
            my = q[0] - p[0]
            length = math.sqrt(mx * mx + my * my)
        return (trunc32(fdiv(mx * 20.0, length) + bx),
                trunc32(fdiv(my * 20.0, length) + by))

    def band_points(self):
        pts = [self.LeftTip]
        ta = self.tangent_point(*self.LeftTip)
        tb = self.tangent_point(*self.RightTip) if ta is not None else None
        if tb is not None:
            m2 = self.rim_point(ta, tb)
            m2f = (float(m2[0]), float(m2[1]))
            m1 = self.rim_point(ta, m2f)
            m3 = self.rim_point(m2f, tb)
            pts += [(trunc32(ta[0]), trunc32(ta[1])), m1, m2, m3,
                    (trunc32(tb[0]), trunc32(tb[1]))]
        pts.append(self.RightTip)
        return pts

    def band_logic(self):
        """One frame's band logic: returns (colour, pen, band, ball, tips)."""
        colour = self.band_colour()
        if self.Engaged:
            self.update_side()
            band = self.band_points()
        else:
            band = [self.LeftTip, self.RightTip]
        ball = around(self.BallPoint, BALL_RADIUS) if self.BallAlive else None
        tips = [around(self.LeftTip, TIP_RADIUS), around(self.RightTip, TIP_RADIUS)]
        return colour, self.BandPenWidth, band, ball, tips


# ---------------------------------------------------------------- application

class ScriptError(Exception):
    pass


def pt(p):
    return "[%d,%d]" % p


def rect(r):
    return "[%d,%d,%d,%d]" % r


class App:
    def __init__(self, out):
        self.out = out
        self.size = None
        self.launcher = None
        self.cursor = (0, 0)
        self.drag = 0
        self.tick = self.StepInterval = self.ClockStart = self.NextStepTime = 0
        self.steps = self.draws = self.frames = 0

    def build(self, w, h):
        self.size = (w, h)
        self.launcher = Launcher(self.size)

    # -- clock

    def clock_now(self):
        return (((self.tick - self.ClockStart) & U32) * 10) & U32

    def run_due_steps(self):
        """Runs the due steps; returns (now, number of steps run)."""
        now = self.clock_now()
        if self.StepInterval == 0:
            return now, 0
        n = 0
        behind = (now - self.NextStepTime) & U32
        if self.NextStepTime != 0 and behind > 10000:   # at most 1 s is caught up
            self.NextStepTime = (self.NextStepTime + (behind - 10000) // self.StepInterval
                                 * self.StepInterval) & U32
        while ((now - self.NextStepTime) & U32) >= self.StepInterval:
            self.do_step()
            n += 1
            if self.NextStepTime == 0:
                self.NextStepTime = now
                break
            self.NextStepTime = (self.NextStepTime + self.StepInterval) & U32
        return now, n

    # -- records

    def do_step(self):
        L = self.launcher
        L.step(self.size, self.drag, self.cursor)
        self.steps += 1
        f = fmt_double
        self.out.append(
            '{"step":%d,"Engaged":%d,"BallAlive":%d,"BandStretched":%d,"BandSide":%d,'
            '"BallX":%s,"BallY":%s,"VelX":%s,"VelY":%s,"AccelX":%s,"AccelY":%s,'
            '"Tension":%s,"BandPenWidth":%d,"BallPoint":%s,"LeftTip":%s,"RightTip":%s,'
            '"RestCentre":%s}\n' % (
                self.steps, L.Engaged, L.BallAlive, L.BandStretched, L.BandSide,
                f(L.BallX), f(L.BallY), f(L.VelX), f(L.VelY), f(L.AccelX), f(L.AccelY),
                f(L.Tension), L.BandPenWidth, pt(L.BallPoint), pt(L.LeftTip),
                pt(L.RightTip), pt(L.RestCentre)))

    def do_draw(self):
        L = self.launcher
        colour, pen, band, ball, tips = L.band_logic()
        self.draws += 1
        self.out.append(
            '{"draw":%d,"colour":"0x%08X","pen":%d,"band":[%s],"ball":%s,"tips":[%s],'
            '"BandSide":%d,"LeftTip":%s,"RightTip":%s}\n' % (
                self.draws, colour, pen, ",".join(pt(p) for p in band),
                "null" if ball is None else rect(ball),
                ",".join(rect(t) for t in tips), L.BandSide, pt(L.LeftTip),
                pt(L.RightTip)))

    # -- commands

    def press(self):
        hit = self.launcher.hit_test(self.cursor)
        if hit:
            self.drag = 1
            self.launcher.grab()
        self.out.append('{"press":%s,"hit":%d}\n' % (pt(self.cursor), hit))

    def resize(self, w, h):
        self.size = (w, h)
        self.launcher.recentre(idiv(w, 2), idiv(h, 2))

    def frame(self):
        now, n = self.run_due_steps()
        self.frames += 1
        self.out.append('{"frame":%d,"now":%d,"steps":%d,"NextStepTime":%d}\n'
                        % (self.frames, now, n, self.NextStepTime))
        self.do_draw()

    def execute(self, words):
        cmd, args = words[0], words[1:]
        if cmd not in COMMANDS:
            raise ScriptError("unknown command '%s'" % cmd)
        if cmd == "client" and self.launcher is not None:
            raise ScriptError("'client' is allowed only as the first command")
        values = parse_args(cmd, args)
        if cmd == "client":
            self.build(values[0], values[1])
            return
        if self.launcher is None:
            self.build(1024, 768)
        if cmd == "cursor":
            self.cursor = (values[0], values[1])
        elif cmd == "press":
            self.press()
        elif cmd == "release":
            self.drag = 0
        elif cmd == "step":
            for _ in range(values[0] if values else 1):
                self.do_step()
        elif cmd == "draw":
            self.do_draw()
        elif cmd == "resize":
            self.resize(values[0], values[1])
        elif cmd == "start":
            self.StepInterval = 50
            self.ClockStart = self.tick
        elif cmd == "tick":
            self.tick = values[0]
        elif cmd == "frame":
            self.frame()


# The range of each number a command takes; step may also be given alone.
SIZE = (0, 100000)
INT32 = (INT32_MIN, INT32_MAX)
COMMANDS = {"client": [SIZE, SIZE], "cursor": [INT32, INT32], "press": [], "release": [],
            "step": [(0, 1000000)], "draw": [], "resize": [SIZE, SIZE], "start": [],
            "tick": [(0, 4294967295)], "frame": []}


def parse_args(cmd, args):
    ranges = COMMANDS[cmd]
    if len(args) != len(ranges) and not (cmd == "step" and not args):
        raise ScriptError("'%s' takes %d numbers, got %d" % (cmd, len(ranges), len(args)))
    values = []
    for token, (lo, hi) in zip(args, ranges):
        # Only plain decimal digits, with a minus sign where negatives are allowed.
        if not re.match(r"-?[0-9]+\Z" if lo < 0 else r"[0-9]+\Z", token) or \
                not lo <= int(token) <= hi:
            raise ScriptError("'%s': '%s' is not a number in [%d, %d]" % (cmd, token, lo, hi))
        values.append(int(token))
    return values


def tokens(line):
    line = line.split("#", 1)[0]
    return [t for t in re.split(r"[ \t\r]+", line) if t]


def run_script(data):
    """Runs a script given as bytes; returns (stdout, stderr, exit status)."""
    data = data.decode("latin-1")
    records = []
    app = App(records)
    for number, line in enumerate(data.split("\n"), 1):
        words = tokens(line)
        if words:
            try:
                app.execute(words)
            except ScriptError as e:
                return "".join(records), "line %d: %s\n" % (number, e), 2
    return "".join(records), "", 0
