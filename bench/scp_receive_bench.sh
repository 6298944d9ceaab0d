#!/usr/bin/env bash
# Receiving throughput of the storage SCP against DCMTK's storescp.
#
#   bench/scp_receive_bench.sh [IMAGES [SIZE [RUNS]]]
#
# Writes a study of IMAGES CT images of SIZE x SIZE 16-bit pixels (default 200 of 512 x 512,
# about 0.5 MB each), then sends the whole folder with one `storescu +sd` association to
# `norvane scp` and to `storescp` in turn, RUNS times each (default 3) into emptied
# folders, and prints the best MB/s of both and their ratio. Both run on 127.0.0.1 and are
# stopped by process id. Needs a build (build/, or $NORVANE_BUILD_DIR) and DCMTK.
#
# DCMTK's programs leave Nagle's algorithm on unless TCP_NODELAY=1 is in their
# environment; storescp then answers each object some 40 ms late. The DCMTK programs run
# with TCP_NODELAY=1 here, so storescp is measured at its best.
set -euo pipefail
export TCP_NODELAY=1
cd "$(dirname "$0")/.."
images=${1:-200}
size=${2:-512}
runs=${3:-3}
norvane=${NORVANE_BUILD_DIR:-build}/bin/norvane
work=$(mktemp -d /tmp/norvane-scp-bench.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}
wait_echo() {
  for _ in $(seq 1 100); do echoscu -q -aec "$2" 127.0.0.1 "$1" && return 0; sleep 0.1; done
  return 1
}

/usr/bin/python3 tools/make_ct_series.py "$work/series" --images "$images" --size "$size" >/dev/null
bytes=$(du -sb "$work/series" | cut -f1)

mkdir -p "$work/norvane" "$work/storescp"
"$norvane" scp --port 0 --loopback -q --folder "$work/norvane" >"$work/norvane.log" 2>&1 &
pids+=($!)
norvane_port=""
for _ in $(seq 1 100); do
  norvane_port=$(sed -n 's/^listening on port \([0-9]*\) .*/\1/p' "$work/norvane.log")
  [ -n "$norvane_port" ] && break
  sleep 0.1
done
storescp_port=$(free_port)
storescp -od "$work/storescp" "$storescp_port" >"$work/storescp.log" 2>&1 &
pids+=($!)
wait_echo "$norvane_port" NORVANE
wait_echo "$storescp_port" STORESCP

# Seconds of one storescu run of the whole folder into an emptied folder.
send() {
  local port=$1 folder=$2
  find "$folder" -mindepth 1 -delete
  local start end
  start=$(date +%s.%N)
  storescu -R +sd -aec BENCH 127.0.0.1 "$port" "$work/series" >/dev/null 2>"$work/storescu.err" ||
    { cat "$work/storescu.err" >&2; exit 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

best_norvane=""
best_storescp=""
for _ in $(seq 1 "$runs"); do
  t=$(send "$norvane_port" "$work/norvane")
  if [ -z "$best_norvane" ] || less "$t" "$best_norvane"; then best_norvane=$t; fi
  t=$(send "$storescp_port" "$work/storescp")
  if [ -z "$best_storescp" ] || less "$t" "$best_storescp"; then best_storescp=$t; fi
done

stored=$(find "$work/norvane" -name '*.dcm' | wc -l)
if [ "$stored" -ne "$images" ]; then
  echo "norvane scp stored $stored of $images objects" >&2
  exit 1
fi
mbs() { awk -v n="$bytes" -v t="$1" 'BEGIN { printf "%.1f", n / 1000000 / t }'; }
echo "sent: $images files, $((bytes / 1000000)) MB in one association, best of $runs runs"
echo "norvane scp: $(mbs "$best_norvane") MB/s ($best_norvane s)"
echo "storescp:    $(mbs "$best_storescp") MB/s ($best_storescp s)"
echo "ratio norvane/storescp: $(awk -v a="$best_storescp" -v b="$best_norvane" 'BEGIN { printf "%.2f", a / b }')"
