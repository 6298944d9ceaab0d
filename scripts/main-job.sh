#!/usr/bin/env bash
# The main job: install dependencies, build, then exercise a DICOM node.
#
# With HOST PORT it runs `norvane echo HOST PORT [options]` against that node (further
# options such as --aec TITLE are passed on) and exits with its status: 0 for "ECHO OK",
# 1 when the echo failed.
#
# Without a peer it runs against the embedded default: it starts norvane's own storage
# SCP (`norvane scp`) on a free loopback port with a fresh storage folder, verifies it with
# `norvane echo`, stores pydicom's sample CT_small.dcm into it, dumps the stored file with
# `norvane dump`, prints where the file landed and stops the SCP. The file is sent with
# `norvane store`.
#
# It builds in build/, configured as scripts/test.sh configures it (scripts/configure.sh),
# so the test command afterwards compiles only what the main job did not need.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/configure.sh build
cmake --build build -j "$(nproc)" --target norvane_cli
norvane=build/bin/norvane
if [ $# -ge 2 ]; then
  exec "$norvane" echo "$1" "$2" "${@:3}"
fi

sample=/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm
work=$(mktemp -d /tmp/norvane-main-job.XXXXXX)
folder="$work/Database"
scp_output="$work/scp.out"

"$norvane" scp --port 0 --loopback --folder "$folder" --aet NORVANE >"$scp_output" 2>&1 &
scp_pid=$!
stop_scp() {
  if kill -0 "$scp_pid" 2>/dev/null; then
    kill -TERM "$scp_pid"
    wait "$scp_pid" || true
  fi
}
trap stop_scp EXIT

# The SCP prints "listening on port N as NORVANE, storing in FOLDER/" once it listens.
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^listening on port \([0-9]*\) .*/\1/p' "$scp_output")
  [ -n "$port" ] && break
  kill -0 "$scp_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "main job: the storage SCP did not start:" >&2
  cat "$scp_output" >&2
  exit 1
fi
echo "main job: storage SCP (pid $scp_pid) listening on 127.0.0.1:$port, storing in $folder"

"$norvane" echo 127.0.0.1 "$port" --aet MAINJOB --aec NORVANE

echo "main job: sending $sample with norvane store"
"$norvane" store 127.0.0.1 "$port" --aet MAINJOB --aec NORVANE "$sample"

# The SCP answers only after the file is written; its line follows at once.
stored=""
for _ in $(seq 1 50); do
  stored=$(sed -n 's/^stored //p' "$scp_output" | head -n 1)
  [ -n "$stored" ] && break
  sleep 0.1
done
if [ -z "$stored" ] || [ ! -f "$stored" ]; then
  echo "main job: nothing was stored:" >&2
  cat "$scp_output" >&2
  exit 1
fi

"$norvane" dump "$stored"
stop_scp
trap - EXIT
echo "main job: stored file: $stored"
echo "main job: index files: $(find "$folder" -name '*.dir' | sort | tr '\n' ' ')"
