#!/usr/bin/env bash
# Runs the rebuild benchmark for two sizes, each step in a process of its own, and times cp and
# cat of the rebuilt file beside it as the floor. Big files live in a scratch folder under /tmp
# that is removed at the end.
# Usage: bench/run_reconstruct_bench.sh [PATH/TO/reconstruct_bench] [SIZE_MB...]
set -euo pipefail
bench=${1:-build/bench/reconstruct_bench}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(64 256)
work=$(mktemp -d /tmp/tarnwel-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Prints "MB/s peak-KiB" for one command over a file of the given size in bytes.
floor() {
  local bytes=$1; shift
  local start end peak
  sync
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then
    peak=$( { /usr/bin/time -f '%M' "$@" >/dev/null; } 2>&1 | tail -1)
  else
    "$@" >/dev/null
    peak='?'
  fi
  end=$(date +%s.%N)
  awk -v b="$bytes" -v s="$start" -v e="$end" -v p="$peak" \
    'BEGIN { printf "%8.0f MB/s   peak %s KiB\n", b / 1048576 / (e - s), p }'
}

for size in "${sizes[@]}"; do
  echo "== $size MB"
  "$bench" prepare "$size" "$work"
  sync # every timed step starts without dirty pages waiting to be written back
  "$bench" run "$work"
  bytes=$(stat -c %s "$work/result.bin")
  printf '  floor: cp result        '; floor "$bytes" cp "$work/result.bin" "$work/copy.bin"
  rm -f "$work/copy.bin"
  printf '  floor: cat result > file'; floor "$bytes" sh -c 'cat "$1" > "$2"' sh "$work/result.bin" "$work/copy.bin"
  rm -f "$work/copy.bin"
  printf '  floor: cat result > null'; floor "$bytes" cat "$work/result.bin"
  rm -f "$work"/*.bin
done
