"""Fails when the includes between the units of a source tree form a cycle.

A unit is a header with its source (foo.h and foo.cpp are one unit), so
that a header including nothing can still be half of a cycle through its
source. Usage: include_cycles.py ROOT DIR...
"""
import graphlib
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units(root, directories):
    graph = {}
    for directory in directories:
        for path in sorted((root / directory).rglob('*')):
            if path.suffix not in ('.h', '.cpp'):
                continue
            unit = str(path.relative_to(root).with_suffix(''))
            targets = graph.setdefault(unit, set())
            for name in INCLUDE.findall(path.read_text()):
                target = str(pathlib.PurePath(name).with_suffix(''))
                if target != unit:
                    targets.add(target)
    return {unit: {t for t in targets if t in graph} for unit, targets in graph.items()}


def main():
    root = pathlib.Path(sys.argv[1])
    graph = units(root, sys.argv[2:])
    try:
        tuple(graphlib.TopologicalSorter(graph).static_order())
    except graphlib.CycleError as error:
        print('include cycle: ' + ' -> '.join(reversed(error.args[1])))
        return 1
    print(f'{len(graph)} units, no include cycle')
    return 0


if __name__ == '__main__':
    sys.exit(main())
