#!/usr/bin/env bash
# Configures a build folder (default: build) the one way the main job, the test command and
# CI all use: RelWithDebInfo, warnings as errors, ccache when it is installed. Configuring
# again with the same settings changes nothing, so what one of them built the next one does
# not compile again.
#
#   scripts/configure.sh [BUILD_DIR] [CMAKE ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${NORVANE_BUILD_DIR:-build}}
shift || true
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_WERROR=ON \
  "${launcher[@]}" "$@" >/dev/null
