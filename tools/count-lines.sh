#!/bin/sh
# Prints the lines of C, C++, Python and shell in the repository's tracked
# files, and the share of them that is test code: everything under tests/.
#
#   tools/count-lines.sh
cd "$(dirname "$0")/.." || exit 1
count() {
    git ls-files -- "$@" | xargs cat -- 2>/dev/null | wc -l
}
all=$(count '*.c' '*.cpp' '*.h' '*.inc' '*.py' '*.sh')
tests=$(count 'tests/*.c' 'tests/*.cpp' 'tests/*.h' 'tests/*.inc' 'tests/*.py' 'tests/*.sh')
echo "C, C++, Python and shell: $all lines, of which tests: $tests ($((tests * 100 / all)) %)"
