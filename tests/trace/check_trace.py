#!/usr/bin/env python3
"""Checks the tracer's records against the golden traces, and against a
second build of the tracer.

Usage: check_trace.py TRACER [OTHER_TRACER]
       check_trace.py --write TRACER      (rewrites the golden digests)

golden.jsonl holds the scene's worked examples and malformed scripts, each
with the SHA-256 of its records, its exit status and its first error line.
Every one must match. With OTHER_TRACER (the 32-bit build against the native
one), both must also give the same bytes, status and errors on 300 random
scripts. Scripts are read from standard input, from "-" and from a file in
turn. Exit status 0 when all agree, 1 on any difference.
"""

import hashlib
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "support"))
from trace_scripts import random_scripts  # noqa: E402

GOLDEN = os.path.join(HERE, "golden.jsonl")
SEED, RANDOM_SCRIPTS = 1, 300


def run(tracer, data, how, path):
    """The tracer's records' digest, its status and its first error line."""
    with open(path, "wb") as f:
        f.write(data)
    argv = [tracer] + {"stdin": [], "dash": ["-"], "file": [path]}[how]
    try:
        p = subprocess.run(argv, input=None if how == "file" else data, capture_output=True,
                           timeout=120)
    except subprocess.TimeoutExpired:
        return {"timeout": True}
    return {"stdout_sha256": hashlib.sha256(p.stdout).hexdigest(), "status": p.returncode,
            "stderr": p.stderr.decode("latin-1").split("\n", 1)[0]}


def main(argv):
    write = argv[:1] == ["--write"]
    argv = argv[1:] if write else argv
    if len(argv) not in (1, 2) or not all(os.access(t, os.X_OK) for t in argv):
        print("usage: check_trace.py [--write] TRACER [OTHER_TRACER] (runnable)", file=sys.stderr)
        return 2
    with open(GOLDEN) as f:
        golden = [json.loads(line) for line in f]
    failures = []
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "script.txt")
        for i, case in enumerate(golden):
            got = run(argv[0], case["script"].encode("latin-1"), ("stdin", "dash", "file")[i % 3],
                      path)
            if write:
                case.update(got)
            elif any(case[k] != got.get(k) for k in ("stdout_sha256", "status", "stderr")):
                failures.append("%s: %s\n  expected %s" % (case["name"], got, {
                    k: case[k] for k in ("stdout_sha256", "status", "stderr")}))
        scripts = list(random_scripts(SEED, RANDOM_SCRIPTS)) if len(argv) == 2 else []
        for i, (name, script) in enumerate(scripts):
            how = ("stdin", "dash", "file")[i % 3]
            a, b = (run(t, script.encode(), how, path) for t in argv)
            if a != b:
                failures.append("%s:\n%s  %s: %s\n  %s: %s" % (name, script, argv[0], a, argv[1], b))
    if write:
        with open(GOLDEN, "w") as f:
            f.writelines(json.dumps(case) + "\n" for case in golden)
        return 0
    for failure in failures[:3]:
        print("=== MISMATCH: " + failure + "\n")
    print("check_trace: %d of %d scripts differ (%d golden, %d random of seed %d against %s)"
          % (len(failures), len(golden) + len(scripts), len(golden), len(scripts), SEED,
             argv[1] if len(argv) == 2 else "no second tracer"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
