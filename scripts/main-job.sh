#!/usr/bin/env bash
# The main job: install dependencies, build, then verify a DICOM node with C-ECHO.
# With HOST PORT it runs `norvane echo HOST PORT [options]` against that node (further
# options such as --aec TITLE are passed on) and exits with its status: 0 for "ECHO OK",
# 1 when the echo failed. Without a peer it only builds.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ $# -ge 2 ]; then
  exec build/bin/norvane echo "$1" "$2" "${@:3}"
fi
echo "main job: build done; name a peer to verify it: $0 HOST PORT [--aec TITLE]" >&2
