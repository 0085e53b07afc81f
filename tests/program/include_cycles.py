"""Fails when the includes between the parts of a source tree form a cycle.

A part is a header with its source (foo.h and foo.cpp are one part), so
that a header including nothing can still be half of a cycle through its
source. Usage: include_cycles.py ROOT DIR...
"""
import graphlib
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def parts(root, directories):
    graph = {}
    for directory in directories:
        for path in sorted((root / directory).rglob('*')):
            if path.suffix not in ('.h', '.cpp'):
                continue
            part = str(path.relative_to(root).with_suffix(''))
            targets = graph.setdefault(part, set())
            for name in INCLUDE.findall(path.read_text()):
                target = str(pathlib.PurePath(name).with_suffix(''))
                if target != part:
                    targets.add(target)
    return {part: {t for t in targets if t in graph} for part, targets in graph.items()}


def main():
    root = pathlib.Path(sys.argv[1])
    graph = parts(root, sys.argv[2:])
    try:
        tuple(graphlib.TopologicalSorter(graph).static_order())
    except graphlib.CycleError as error:
        print('include cycle: ' + ' -> '.join(reversed(error.args[1])))
        return 1
    print(f'{len(graph)} parts, no include cycle')
    return 0


if __name__ == '__main__':
    sys.exit(main())
