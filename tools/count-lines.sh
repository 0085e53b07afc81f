#!/bin/sh
# Prints the lines of C++, Python and shell in the repository's tracked files,
# and the share of them that is test code: everything under tests/.
#
#   tools/count-lines.sh
cd "$(dirname "$0")/.." || exit 1
git ls-files -- '*.cpp' '*.h' '*.inc' '*.py' '*.sh' | xargs cat -- 2>/dev/null | wc -l | {
    read -r all
    tests=$(git ls-files -- 'tests/*.cpp' 'tests/*.h' 'tests/*.inc' 'tests/*.py' 'tests/*.sh' |
        xargs cat -- 2>/dev/null | wc -l)
    echo "C++, Python and shell: $all lines, of which tests: $tests ($((tests * 100 / all)) %)"
}
