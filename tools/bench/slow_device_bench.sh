#!/bin/bash
# The slow-device benchmark (tools/bench/force_bench.cpp) on the tests'
# stand-in force joystick answering each upload after 0, 2, 5 and 20 ms.
#   tools/bench/slow_device_bench.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/native}
for ms in 0 2 5 20; do
    log=$(mktemp)
    echo "== ${ms} ms per upload"
    LD_PRELOAD="$build/tests/evdev/libevdev_standin.so" SDL_JOYSTICK_DISABLE_UDEV=1 \
        EVDEV_STANDIN_DEVICES=joystick EVDEV_STANDIN_UPLOAD_MS=$ms EVDEV_STANDIN_LOG="$log" \
        "$build/zorbel-force-bench"
    rm -f "$log"
done
