#!/usr/bin/env bash
# Configures, builds (warnings are errors) and runs the whole test suite with CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${NORVANE_BUILD_DIR:-build}
cmake -S . -B "$build" -DNORVANE_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
