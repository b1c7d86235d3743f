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

# Starting a process costs tens of milliseconds on a virtual machine, as much as moving the file
# itself; so each floor command takes the file Rounds times in one process, and the same command
# on empty files is taken off.
rounds=4

# Best of three runs of a command: prints its seconds and its peak memory in KiB.
best_seconds() {
  local best=999999 start end run peak=?
  for run in 1 2 3; do
    rm -rf "$work/copies" "$work/copy.bin"
    mkdir "$work/copies"
    sync # no dirty pages of an earlier run are written back during this one
    start=$(date +%s.%N)
    if [ -x /usr/bin/time ]; then
      peak=$( { /usr/bin/time -f '%M' "$@" >/dev/null; } 2>&1 | tail -1)
    else
      "$@" >/dev/null
    fi
    end=$(date +%s.%N)
    best=$(awk -v b="$best" -v s="$start" -v e="$end" 'BEGIN { t = e - s; print (t < b ? t : b) }')
  done
  rm -rf "$work/copies" "$work/copy.bin"
  echo "$best $peak"
}

# floor BYTES SCRIPT: SCRIPT gets the files as its arguments, $work as $0.
floor() {
  local bytes=$1 script=$2 full empty peak
  read -r empty peak < <(best_seconds sh -c "$script" "$work" "${empties[@]}")
  read -r full peak < <(best_seconds sh -c "$script" "$work" "${links[@]}")
  awk -v b="$bytes" -v n="$rounds" -v f="$full" -v z="$empty" -v p="$peak" \
    'BEGIN { printf "%8.0f MB/s   peak %s KiB\n", n * b / 1048576 / (f - z), p }'
}

for size in "${sizes[@]}"; do
  echo "== $size MB"
  "$bench" prepare "$size" "$work"
  sync
  "$bench" run "$work"
  bytes=$(stat -c %s "$work/result.bin")
  links=() empties=()
  for n in $(seq "$rounds"); do
    ln "$work/result.bin" "$work/link$n.bin"
    : > "$work/empty$n.bin"
    links+=("$work/link$n.bin")
    empties+=("$work/empty$n.bin")
  done
  printf '  floor: cp result         '; floor "$bytes" 'cp "$@" "$0/copies/"'
  printf '  floor: cat result > file '; floor "$bytes" 'cat "$@" > "$0/copy.bin"'
  printf '  floor: cat result > null '; floor "$bytes" 'cat "$@"'
  rm -f "$work"/*.bin
done
