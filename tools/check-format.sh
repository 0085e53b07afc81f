#!/usr/bin/env bash
# Checks that every C and C++ file of the project is laid out as
# .clang-format says; with --fix, lays them out so.
#
#   tools/check-format.sh [--fix]
#
# Exit status: 0 when all are, 1 naming the files that are not.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-clang-format}
command -v "$formatter" >/dev/null || { echo "check-format: $formatter is missing (see tools/setup-debian.sh)" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    "$formatter" -i "${files[@]}"
    exit 0
fi
unformatted=()
for f in "${files[@]}"; do
    "$formatter" --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "not laid out as .clang-format says (tools/check-format.sh --fix):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files laid out as .clang-format says"
