#!/usr/bin/env bash
# Configures, builds (warnings are errors) and runs the whole test suite with CTest. The
# build folder (default build/, or NORVANE_BUILD_DIR) is configured as the main job
# configures it (scripts/configure.sh), so what the main job built is not built again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${NORVANE_BUILD_DIR:-build}
./scripts/configure.sh "$build"
cmake --build "$build" -j "$(nproc)"
# Orthanc, a test peer, installs into /usr/sbin, which a user's PATH may leave out.
case ":$PATH:" in *:/usr/sbin:*) ;; *) export PATH="$PATH:/usr/sbin" ;; esac
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
