#!/usr/bin/env bash
# Builds and runs the tests under a sanitizer, each in a build folder of its own:
#
#   scripts/sanitize.sh asan [CTEST ARGS...]   AddressSanitizer + UndefinedBehaviorSanitizer,
#                                              the whole suite (build-asan)
#   scripts/sanitize.sh tsan [CTEST ARGS...]   ThreadSanitizer, the storage SCP's tests
#                                              (build-tsan)
#
# Any report fails the test that caused it. Further arguments go to ctest (for example
# -R database to run fewer tests). NORVANE_SANITIZE_JOBS sets the parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-}
shift || true
jobs=${NORVANE_SANITIZE_JOBS:-2}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

case "$kind" in
  asan)
    build=build-asan
    cmake -S . -B "$build" -DNORVANE_ASAN=ON -DNORVANE_WERROR=ON -DNORVANE_BUILD_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
    cmake --build "$build" -j "$jobs"
    # Undefined behaviour stops the program like a memory error does.
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
    ctest --test-dir "$build" -j "$jobs" --output-on-failure "$@"
    ;;
  tsan)
    build=build-tsan
    cmake -S . -B "$build" -DNORVANE_TSAN=ON -DNORVANE_WERROR=ON -DNORVANE_BUILD_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
    cmake --build "$build" -j "$jobs" --target norvane_cli unit_scp interop_scp
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    if [ $# -eq 0 ]; then set -- -R '^scp\.'; fi
    # ThreadSanitizer needs the fixed memory layout of a process without address
    # randomisation on kernels that randomise more bits than it knows.
    setarch "$(uname -m)" -R ctest --test-dir "$build" -j "$jobs" --output-on-failure "$@"
    ;;
  *)
    echo "usage: scripts/sanitize.sh asan|tsan [CTEST ARGS...]" >&2
    exit 2
    ;;
esac
