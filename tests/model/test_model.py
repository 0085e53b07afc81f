"""Checks of the reference model against the scene's worked examples.

Run with: python3 -m unittest (from this directory).
"""

import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

import zorbel_model as m

HERE = os.path.dirname(os.path.abspath(__file__))


def records(script, kind):
    out, err, status = m.run_script(script)
    assert status == 0, err
    return [r for r in map(json.loads, out.splitlines()) if kind in r]


def engaged(ball, left, right, side=0, stretched=0, tension=0.0):
    """A 1024 x 768 launcher holding the ball at `ball`."""
    L = m.Launcher(m.Geometry(1024, 768))
    L.BallX, L.BallY = ball
    L.BallPoint = (int(ball[0]), int(ball[1]))
    L.LeftTip, L.RightTip = left, right
    L.BandSide, L.BandStretched, L.Tension = side, stretched, tension
    L.Engaged = L.BallAlive = 1
    return L


def pull(to, extra="", client="1024 768", centre=(512, 384)):
    return ("client %s\ncursor %d %d\npress\ncursor %d %d\nstep\n%s"
            % (client, centre[0], centre[1], to[0], to[1], extra))


class Numbers(unittest.TestCase):
    def test_double_format(self):
        for value, text in [
                (512.0, "512"), (-0.0, "-0"), (0.0, "0"), (583.609375, "583.609375"),
                (1e5, "1e+05"), (1e-5, "1e-05"), (1.5e20, "1.5e+20"),
                (0.1953125, "0.1953125"), (123456.0, "123456"), (0.001, "0.001"),
                (1e-4, "1e-04"), (0.0012, "0.0012"), (-8.839167686136257, "-8.839167686136257"),
                (1.2345e-7, "1.2345e-07"), (5e-324, "5e-324"),
                (float(2 ** 60), "1152921504606846976"), (math.nan, "null")]:
            with self.subTest(value=value):
                self.assertEqual(m.fmt_double(value), text)

    def test_truncation(self):
        for value, result in [
                (math.nan, 0), (math.inf, 2147483647), (-math.inf, -2147483648),
                (2147483647.0, 2147483647), (2147483646.9, 2147483646),
                (-2147483648.5, -2147483648), (-2147483647.9, -2147483647),
                (-20.9, -20), (20.9, 20), (-0.5, 0)]:
            with self.subTest(value=value):
                self.assertEqual(m.trunc32(value), result)


class BandLogic(unittest.TestCase):
    def test_colours(self):
        L = engaged((512.0, 484.0), (472, 384), (552, 384))
        for tension, colour in [(0.5, 0x00FF7F00), (0.8, 0x00FFCC00), (0.9, 0x00FFE57F),
                                (1.0, 0x00FFFFFE), (0.1953125, 0x00FF3100), (0.0, 0x00FF0000)]:
            with self.subTest(tension=tension):
                L.Tension = tension
                self.assertEqual(L.band_colour(), colour)
        L.Engaged = 0
        self.assertEqual(L.band_colour(), 0x00FF0000)

    def test_point_lists(self):
        cases = [
            # ball, left, right, stretched -> band, side, tips after
            ((512.0, 484.0), (472, 384), (552, 384), 1,
             [(472, 384), (492, 487), (499, 499), (512, 504), (524, 499), (531, 487),
              (552, 384)], 1, ((472, 384), (552, 384))),
            ((512.0, 284.0), (552, 384), (472, 384), 1,
             [(552, 384), (531, 280), (524, 268), (512, 264), (499, 268), (492, 280),
              (472, 384)], 0, ((552, 384), (472, 384))),
            ((512.0, 389.0), (472, 384), (552, 384), 0,
             [(552, 384), (519, 370), (515, 369), (512, 369), (508, 369), (504, 370),
              (472, 384)], 1, ((552, 384), (472, 384))),
            ((512.0, 354.0), (472, 384), (552, 384), 0,
             [(472, 384), (516, 373), (514, 373), (512, 374), (509, 373), (507, 373),
              (552, 384)], 0, ((472, 384), (552, 384))),
            ((492.0, 384.0), (472, 384), (552, 384), 0,
             [(472, 384), (552, 384)], 0, ((472, 384), (552, 384))),
            # the left tip inside the ball: straight even though the right one is far
            ((480.0, 390.0), (472, 384), (552, 384), 1,
             [(472, 384), (552, 384)], 1, ((472, 384), (552, 384))),
        ]
        for ball, left, right, stretched, band, side, tips in cases:
            with self.subTest(ball=ball):
                L = engaged(ball, left, right, stretched=stretched)
                self.assertEqual(L.band_logic()[2], band)
                self.assertEqual((L.BandSide, (L.LeftTip, L.RightTip)), (side, tips))
                # a second frame in the same state changes nothing
                self.assertEqual(L.band_logic()[2], band)
                self.assertEqual((L.LeftTip, L.RightTip), tips)

    def test_touching_point_at_21_pixels(self):
        L = engaged((493.0, 384.0), (472, 384), (552, 384))
        self.assertIsNone(engaged((492.0, 384.0), (472, 384), (552, 384))
                          .tangent_point(472, 384))
        self.assertIsNotNone(L.tangent_point(472, 384))
        self.assertEqual(len(L.band_logic()[2]), 7)

    def test_tangent_points_of_the_pull_down(self):
        L = engaged((512.0, 484.0), (472, 384), (552, 384))
        for tip, expected in [((472, 384), (492.3741, 487.8503)),
                              ((552, 384), (531.6258, 487.8503))]:
            # the figures are given cut after four decimals
            cut = tuple(math.floor(v * 1e4) / 1e4 for v in L.tangent_point(*tip))
            self.assertEqual(cut, expected)

    def test_rim_point_through_the_centre(self):
        # P and Q opposite on the circle: the chord's perpendicular is taken
        L = engaged((512.0, 384.0), (472, 384), (552, 384))
        self.assertEqual(L.rim_point((532.0, 384.0), (492.0, 384.0)), (512, 364))
        self.assertEqual(L.rim_point((512.0, 364.0), (512.0, 404.0)), (492, 384))

    def test_rectangles_stay_in_the_int_range(self):
        L = engaged((-2147483648.0, 2147483647.0), (472, 384), (552, 384))
        L.BallPoint = (-2147483648, 2147483647)
        self.assertEqual(L.band_logic()[3],
                         (-2147483648, 2147483627, -2147483628, 2147483647))

    def test_side_update(self):
        cases = [
            # ball, left tip, right tip -> side, tips exchanged
            ((612.0, 384.0), (512, 424), (512, 344), 1, True),
            ((412.0, 384.0), (512, 424), (512, 344), 0, False),
            ((512.0, 384.9), (472, 384), (552, 384), 0, False),
            ((512.0, 385.0), (472, 384), (552, 384), 1, True),
            ((900.0, 900.0), (512, 384), (552, 384), 0, False),   # LeftTip on the centre
        ]
        for ball, left, right, side, exchanged in cases:
            with self.subTest(ball=ball, left=left):
                L = engaged(ball, left, right)
                L.update_side()
                self.assertEqual(L.BandSide, side)
                self.assertEqual((L.LeftTip, L.RightTip),
                                 (right, left) if exchanged else (left, right))

    def test_draw_record_rectangles(self):
        draw = records(pull((512, 484), "draw\n"), "draw")[0]
        self.assertEqual(draw["colour"], "0x00FF3100")
        self.assertEqual(draw["ball"], [492, 464, 532, 504])
        self.assertEqual(draw["tips"], [[462, 374, 482, 394], [542, 374, 562, 394]])
        idle = records("draw\n", "draw")[0]
        self.assertEqual((idle["ball"], idle["band"], idle["colour"], idle["pen"]),
                         (None, [[472, 384], [552, 384]], "0x00FF0000", 3))


class Stepping(unittest.TestCase):
    def test_new_launcher(self):
        for client, centre, left, right in [("1024 768", [512, 384], [472, 384], [552, 384]),
                                            ("800 600", [400, 300], [360, 300], [440, 300])]:
            with self.subTest(client=client):
                s = records("client %s\nstep\n" % client, "step")[0]
                self.assertEqual((s["RestCentre"], s["LeftTip"], s["RightTip"]),
                                 (centre, left, right))
                self.assertEqual((s["Tension"], s["BandPenWidth"]), (0, 10))

    def test_drag_targets(self):
        cases = [((512, 584), [472, 384], [552, 384], 0.390625, 7, 1),
                 ((612, 484), [483, 412], [540, 355], None, 8, 1),
                 ((512, 284), [552, 384], [472, 384], 0.1953125, 9, 1),
                 ((612, 384), [512, 424], [512, 344], 200 / 1024, 9, 1),
                 ((0, 0), [536, 352], [488, 416], 1, 2, 1),
                 ((512, 424), [472, 384], [552, 384], 0, 3, 0),
                 ((512, 425), [472, 384], [552, 384], 82 / 1024, 10, 1)]
        for to, left, right, tension, pen, stretched in cases:
            with self.subTest(to=to):
                s = records(pull(to), "step")[-1]
                self.assertEqual((s["LeftTip"], s["RightTip"]), (left, right))
                self.assertEqual((s["BandPenWidth"], s["BandStretched"]), (pen, stretched))
                if tension is None:
                    self.assertAlmostEqual(s["Tension"], 0.2762, places=4)
                else:
                    self.assertEqual(s["Tension"], tension)

    def test_pulling_back_keeps_the_tips(self):
        s = records(pull((612, 484), "cursor 520 390\nstep\n"), "step")
        self.assertEqual((s[-1]["LeftTip"], s[-1]["RightTip"]), ([483, 412], [540, 355]))
        self.assertEqual(s[-1]["BandStretched"], 0)

    def test_launch_lets_go_and_leaves_play(self):
        steps = records(pull((512, 584), "release\nstep 81\n"), "step")[1:]
        self.assertEqual(steps[0]["AccelY"], -0.390625)
        self.assertEqual(steps[0]["VelY"], -0.390625)
        self.assertEqual(steps[0]["BallY"], 583.609375)
        held = [s["Engaged"] for s in steps]
        self.assertEqual(held.index(0) + 1, 37)
        self.assertAlmostEqual(steps[36]["BallY"] - steps[36]["VelY"], 375.52, places=2)
        self.assertAlmostEqual(steps[36]["VelY"], -8.839, places=3)
        alive = [s["BallAlive"] for s in steps]
        self.assertEqual(alive.index(0) + 1, 81)
        self.assertEqual(steps[79]["BallPoint"][1], -13)
        self.assertEqual(steps[80]["BallPoint"], [512, 584])   # the cursor

    def test_held_steps_depend_only_on_half_width(self):
        for width, pull_px, held_steps, speed in [(1024, 200, 37, 0.0442), (1024, 57, 37, 0.0442),
                                                  (800, 200, 32, 0.0500), (800, 3, None, None)]:
            with self.subTest(width=width, pull=pull_px):
                c = (width // 2, 300)
                steps = records(pull((c[0], 300 + pull_px), "release\nstep 60\n",
                                     "%d 600" % width, c), "step")[1:]
                held = [s["Engaged"] for s in steps]
                if held_steps is None:      # within 40 px the band never stretched
                    self.assertEqual(held.index(0) + 1, 32)
                    continue
                self.assertEqual(held.index(0) + 1, held_steps)
                v = -steps[held_steps - 1]["VelY"] / pull_px
                self.assertAlmostEqual(v, speed, places=4)

    def test_free_flight_bounds(self):
        for x, alive in [(1044.0, 1), (1045.0, 0), (-20.0, 1), (-21.0, 0), (-20.9, 1)]:
            with self.subTest(x=x):
                L = m.Launcher(m.Geometry(1024, 768))
                L.BallAlive, L.BallX = 1, x
                L.step(m.Geometry(1024, 768), 0, (7, 8))
                self.assertEqual(L.BallAlive, alive)

    def test_ball_released_on_the_centre_stays(self):
        steps = records("cursor 512 384\npress\nstep\nrelease\nstep 100\n", "step")
        self.assertTrue(all(s["Engaged"] == 1 and s["BallX"] == 512 and s["BallY"] == 384
                            for s in steps))

    def test_catch_in_flight_and_release_on_the_other_side(self):
        # Launch to the right-down, catch while held, let go above-left of the centre.
        script = pull((612, 484), "release\nstep 5\ncursor 512 384\npress\n"
                                  "cursor 480 350\nstep\nrelease\nstep 3\n")
        s = records(script, "step")
        caught = s[6]
        self.assertEqual((caught["AccelX"], caught["AccelY"]) != (0, 0), True)
        after = s[7:]
        self.assertEqual([x["Engaged"] for x in after], [0, 0, 0])
        self.assertTrue(all(x["BallX"] == 480 and x["BallY"] == 350 and x["BallAlive"] == 1
                            for x in after))
        self.assertEqual(after[-1]["Tension"], caught["Tension"])

    def test_recentre_keeps_the_tilt(self):
        s = records(pull((612, 484), "release\nstep 200\nresize 800 600\nstep\n"), "step")
        self.assertEqual((s[-2]["LeftTip"], s[-2]["RightTip"]), ([483, 412], [540, 355]))
        self.assertEqual((s[-1]["LeftTip"], s[-1]["RightTip"], s[-1]["RestCentre"]),
                         ([371, 328], [428, 271], [400, 300]))

    def test_hit_test(self):
        L = m.Launcher(m.Geometry(1024, 768))
        for point, hit in [((472, 374), 1), ((551, 393), 1), ((552, 384), 0),
                           ((512, 394), 0), ((512, 373), 0)]:
            self.assertEqual(L.hit_test(point), hit, point)
        for left, right, box in [((500, 300), (505, 340), (493, 512, 300, 340)),
                                 ((500, 300), (512, 340), (500, 512, 300, 340)),
                                 ((500, 300), (540, 300), (500, 540, 290, 310)),
                                 ((500, 300), (540, 301), (500, 540, 291, 310))]:
            L.LeftTip, L.RightTip = left, right
            with self.subTest(left=left, right=right):
                x0, x1, y0, y1 = box
                for point, hit in [((x0, y0), 1), ((x1 - 1, y1 - 1), 1),
                                   ((x0 - 1, y0), 0), ((x1, y0), 0),
                                   ((x0, y0 - 1), 0), ((x0, y1), 0)]:
                    self.assertEqual(L.hit_test(point), hit, point)


class Clock(unittest.TestCase):
    def frames(self, script):
        return [(f["now"], f["steps"], f["NextStepTime"]) for f in records(script, "frame")]

    def test_catch_up(self):
        self.assertEqual(self.frames("start\ntick 4\nframe\ntick 40\nframe\ntick 46\nframe\n"
                                     "tick 56\nframe\ntick 60\nframe\ntick 64\nframe\n"
                                     "tick 72\nframe\n"),
                         [(40, 0, 0), (400, 1, 400), (460, 1, 450), (560, 2, 550),
                          (600, 1, 600), (640, 0, 600), (720, 2, 700)])

    def test_stall_runs_every_step(self):
        self.assertEqual(self.frames("start\ntick 10\nframe\ntick 2010\nframe\n"),
                         [(100, 1, 100), (20100, 400, 20100)])

    def test_not_started(self):
        self.assertEqual(self.frames("tick 100\nframe\n"), [(1000, 0, 0)])

    def test_tick_count_wrap(self):
        self.assertEqual(self.frames("tick 4294967290\nstart\ntick 4294967295\nframe\n"
                                     "tick 3\nframe\ntick 10\nframe\n"),
                         [(50, 1, 50), (90, 0, 50), (160, 2, 150)])

    def test_clock_value_wrap(self):
        ticks = "".join("tick %d\nframe\n" % t for t in (429496720, 429496725, 429496730,
                                                        429496735, 429496749))
        self.assertEqual(self.frames("start\n" + ticks),
                         [(4294967200, 1, 4294967200), (4294967250, 1, 4294967250),
                          (4, 1, 4), (54, 1, 54), (194, 2, 154)])


class Script(unittest.TestCase):
    def run_cli(self, script, *args):
        return subprocess.run([sys.executable, os.path.join(HERE, "zorbel_model.py"), *args],
                              input=script, capture_output=True, text=True)

    def test_errors(self):
        for script, line in [("frob\n", 1), ("step 1 2\n", 1), ("# c\n\ncursor 1\n", 3),
                             ("cursor 1 x\n", 1), ("step -1\n", 1), ("step 1000001\n", 1),
                             ("tick 4294967296\n", 1), ("cursor 2147483648 0\n", 1),
                             ("resize -0 5\n", 1), ("client 5 5\nclient 5 5\n", 2),
                             ("draw\nclient 5 5\n", 2), ("press x\n", 1), ("step +1\n", 1),
                             ("tick\v1\n", 1)]:
            with self.subTest(script=script):
                out, err, status = m.run_script(script)
                self.assertEqual(status, 2)
                self.assertTrue(err.startswith("line %d: " % line), err)

    def test_records_before_an_error_stay(self):
        r = self.run_cli("draw\nstep 2 # two\nstart extra\n")
        self.assertEqual((r.returncode, len(r.stdout.splitlines())), (2, 3))
        self.assertTrue(r.stderr.startswith("line 3: "))

    def test_accepted_forms(self):
        r = self.run_cli("\t# only a comment\n  cursor\t-2147483648   2147483647#x\nstep\n"
                         "client_later_is_unknown_anyway 1 1\n")
        self.assertEqual(r.returncode, 2)
        self.assertIn('"BallPoint":[0,0]', r.stdout)
        self.assertTrue(r.stderr.startswith("line 4: "))

    def test_file_argument(self):
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
            f.write("client 800 600\ndraw\n")
        try:
            r = self.run_cli("", f.name)
            self.assertEqual(r.returncode, 0)
            self.assertIn('"band":[[360,300],[440,300]]', r.stdout)
        finally:
            os.unlink(f.name)
        r = self.run_cli("", os.path.join(HERE, "no such file"))
        self.assertEqual(r.returncode, 2)
        self.assertTrue(r.stderr.startswith("zorbel-trace: cannot open '"))


if __name__ == "__main__":
    unittest.main()
