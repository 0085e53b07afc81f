#!/bin/sh
# Builds the project parser's fuzz target with clang and runs it briefly over
# the committed corpus. New inputs go to the work directory, never into the
# corpus.
#
#   run_fuzz.sh CLANGXX TACLIB_DIR FUZZ_DIR WORK_DIR [SECONDS]
set -eu

cxx=$1
taclib=$2
fuzz=$3
work=$4
seconds=${5:-20}

mkdir -p "$work/found"
"$cxx" -std=c++17 -g -O1 -Wall -Wextra -Werror \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$taclib/core" -I"$taclib/.." \
    "$fuzz/fuzz_project_parser.cpp" "$taclib/core/project_parser.cpp" "$taclib/core/spring_params.cpp" \
    "$taclib/../common/text.cpp" \
    -o "$work/fuzz_project_parser"

cd "$work"
exec ./fuzz_project_parser -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -dict="$fuzz/taclib.dict" -print_final_stats=1 found "$fuzz/corpus"
