"""Random tracer scripts: grabs on and beside the band, pulls from ordinary
to hostile (the 40 px circle, int32 extremes), launches, catches, resizes and
clock runs across the tick count's wrap. Each script is the same for a seed.
"""

import random

INT32_MIN, INT32_MAX = -2 ** 31, 2 ** 31 - 1


def _clamp(v):
    return min(max(v, INT32_MIN), INT32_MAX)


def _size(rnd):
    return rnd.choices([(1024, 768), (800, 600), (rnd.randint(0, 3), rnd.randint(0, 3)),
                        (rnd.randint(0, 4), rnd.randint(0, 2000)),
                        (rnd.choice([100000, 99999]), rnd.randint(0, 100000)),
                        (rnd.randint(0, 3000), rnd.randint(0, 3000))],
                       [45, 15, 15, 10, 5, 10])[0]


def _target(rnd, cx, cy, w, h):
    d = rnd.choice([40, 41, 39, 20, 21, 60, 0])
    return rnd.choices([
        (cx + rnd.randint(-250, 250), cy + rnd.randint(-250, 250)),
        (cx + rnd.randint(-60, 60), cy + rnd.randint(-60, 60)),
        (rnd.randint(-30, w + 30), rnd.randint(-30, h + 30)),
        rnd.choice([(cx + d, cy), (cx - d, cy), (cx, cy + d), (cx, cy - d)]),
        (rnd.randint(-10 ** 7, 10 ** 7), rnd.randint(-10 ** 7, 10 ** 7)),
        (rnd.choice([INT32_MIN, INT32_MAX, 0, rnd.randint(INT32_MIN, INT32_MAX)]),
         rnd.choice([INT32_MIN, INT32_MAX, 0, rnd.randint(INT32_MIN, INT32_MAX)]))],
        [30, 15, 15, 15, 10, 15])[0]


def random_script(rnd):
    w, h = _size(rnd)
    lines = ["client %d %d" % (w, h)] if rnd.random() < 0.6 else []
    tick, started = rnd.choice([0, 4294967295 - rnd.randint(0, 3000)]), False
    budget = rnd.choice([20, 60, 150, 300])

    def advance():
        nonlocal tick
        if started and rnd.random() < 0.6:
            tick = (tick + rnd.choice([0, 1, 4, 5, 5, 6, 10, 17, 50, 2000])) & 0xFFFFFFFF
            lines.extend(["tick %d" % tick, "frame"])
        else:
            lines.append(rnd.choice(["step", "step %d" % rnd.randint(0, 4), "draw"]))

    while len(lines) < budget:
        cx, cy = w // 2, h // 2
        r = rnd.random()
        if r < 0.45:  # grab near the band at rest, pull, let go and watch
            lines += ["cursor %d %d" % (cx + rnd.randint(-50, 50), cy + rnd.randint(-12, 12)), "press"]
            x, y = _target(rnd, cx, cy, w, h)
            for _ in range(rnd.choice([1, 2, 5, 10])):
                lines.append("cursor %d %d" % (_clamp(x + rnd.randint(-2, 2)), _clamp(y + rnd.randint(-2, 2))))
                advance()
            if rnd.random() < 0.9:
                lines.append("release")
            for _ in range(rnd.randint(1, 6)):
                lines += ["step %d" % rnd.choice([1, 5, 20, 36, 37, 100, 200]), "draw"]
        elif r < 0.55:
            w, h = _size(rnd)
            lines.append("resize %d %d" % (w, h))
        elif r < 0.65:
            lines.append(rnd.choice(["cursor %d %d" % _target(rnd, cx, cy, w, h), "press",
                                     "release"]))
        elif r < 0.7 and not started:
            lines.append("start")
            started = True
        else:
            advance()
    return "\n".join(lines) + "\n"


def random_scripts(seed, count):
    rnd = random.Random(seed)
    for i in range(count):
        yield "random #%d (seed %d)" % (i, seed), random_script(rnd)
