"""Checks of the model's number formatting, which every comparison with the
tracer's records rests on. The model's behaviour itself is checked against
the tracer by compare_trace.py.

Run with: python3 -m unittest (from this directory).
"""

import math
import unittest

import zorbel_model as m


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


if __name__ == "__main__":
    unittest.main()
