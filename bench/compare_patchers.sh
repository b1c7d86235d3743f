#!/usr/bin/env bash
# Compares tarnwel-build create and the tarnwel applier with xdelta3, bsdiff and zstd on a corpus
# it fetches or makes itself: patch size (raw and after xz -9), build time and memory, apply time
# and memory, and ours divided by each peer, in one table printed and saved as markdown.
# Usage: bench/compare_patchers.sh   (BUILD_DIR, CORPUS_DIR, SYNTHETIC_MB, RESULTS override)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
corpus=${CORPUS_DIR:-/tmp/tarnwel-corpus}
results=${RESULTS:-$root/bench/results/compare_patchers.md}
synthetic_mb=${SYNTHETIC_MB:-200}
esbuild=@esbuild/win32-ia32
esbuild_pairs=("0.19.11 0.19.12" "0.20.0 0.20.1" "0.20.1 0.20.2")
tree_package=typescript
tree_pair=(5.3.3 5.4.2)
peers=(xdelta3 bsdiff zstd)
apply_runs=3
# Builds are timed best of three too, except on corpora this large, where one run of zstd -19
# alone takes minutes.
large_bytes=$((64 << 20))
# bsdiff holds about 17 times the old file while it sorts; beyond this it is left out.
bsdiff_limit_mb=${BSDIFF_LIMIT_MB:-2048}

missing=()
for tool in xdelta3 bsdiff bspatch xz zstd /usr/bin/time npm cmake; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  apt-get update -qq
  apt-get install -y -qq xdelta3 bsdiff xz-utils zstd time npm cmake g++ > /dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target tarnwel tarnwel-build synthetic_release_pair -j2 > /dev/null

started=$(date +%s)
work=$(mktemp -d /tmp/tarnwel-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Unpacks PACKAGE@VERSION from the npm registry into the folder DEST.
fetch_package() {
  local unpack
  unpack=$(mktemp -d "$work/fetch.XXXXXX")
  (cd "$unpack" && npm pack --silent "$1@$2" > /dev/null && tar xzf ./*.tgz)
  mv "$unpack/package" "$3"
  rm -rf "$unpack"
}

mkdir -p "$corpus"
for pair in "${esbuild_pairs[@]}"; do
  for version in $pair; do
    exe=$corpus/esbuild-$version.exe
    [[ -s $exe ]] && continue
    fetch_package "$esbuild" "$version" "$work/esbuild"
    mv "$work/esbuild/esbuild.exe" "$exe"
    rm -rf "$work/esbuild"
  done
done
for version in "${tree_pair[@]}"; do
  tree=$corpus/$tree_package-$version
  [[ -d $tree ]] || fetch_package "$tree_package" "$version" "$tree"
  # The same tree always gives the same tar, so the peers see what ours sees.
  [[ -s $tree.tar ]] || tar --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner -C "$tree" -cf "$tree.tar" .
done
synthetic_old=$corpus/synthetic-${synthetic_mb}mb-old.bin
synthetic_new=$corpus/synthetic-${synthetic_mb}mb-new.bin
[[ -s $synthetic_new ]] || "$build/bench/synthetic_release_pair" "$synthetic_mb" "$synthetic_old" "$synthetic_new"

# Runs a command once with nothing pending on disk; sets last_ns (wall time) and last_kb (peak).
measure() {
  local start end
  sync
  start=$(date +%s%N)
  if ! /usr/bin/time -f %M -o "$work/peak" "$@" > "$work/log" 2>&1 < /dev/null; then
    echo "compare_patchers: failed: $*" >&2
    cat "$work/log" >&2
    exit 2
  fi
  end=$(date +%s%N)
  last_ns=$((end - start))
  last_kb=$(tail -1 "$work/peak")
}

# Keeps the shortest time and the largest peak over the runs of one command.
reset_best() { best_ns=0 best_kb=0; }
keep_best() {
  ((best_ns == 0 || last_ns < best_ns)) && best_ns=$last_ns
  ((last_kb > best_kb)) && best_kb=$last_kb
  return 0
}

# Fails the benchmark unless TARGET holds what NEW holds (a file, or every file of a tree; a
# tree may keep more, such as the backup folder).
check_result() {
  local new=$1 target=$2
  local differ
  if [[ -d $new ]]; then
    differ=$(diff -rq "$new" "$target" | grep -v "^Only in $target" || true)
    if [[ -n $differ ]]; then
      echo "$differ" >&2
      echo "compare_patchers: $target differs from $new" >&2
      exit 2
    fi
  elif ! cmp -s "$new" "$target"; then
    echo "compare_patchers: $target differs from $new" >&2
    exit 2
  fi
}

# build_patch TOOL OLD NEW PATCH RUNS: sets build_ns and build_kb.
build_patch() {
  local tool=$1 old=$2 new=$3 patch=$4 runs=$5 run
  reset_best
  for ((run = 0; run < runs; run++)); do
    rm -f "$patch"
    case $tool in
      ours) measure "$build/tarnwel-build" create --quiet -o "$patch" "$old" "$new" ;;
      ours-stored) measure "$build/tarnwel-build" create --quiet --stored-size -o "$patch" "$old" "$new" ;;
      xdelta3) measure xdelta3 -e -9 -S none -f -s "$old" "$new" "$patch" ;;
      bsdiff) measure bsdiff "$old" "$new" "$patch" ;;
      zstd) measure zstd -q -f -19 --patch-from="$old" "$new" -o "$patch" ;;
    esac
    keep_best
  done
  build_ns=$best_ns build_kb=$best_kb
}

# apply_patch TOOL OLD NEW PATCH: best of apply_runs, each on a fresh copy or into a fresh
# output, each result checked; sets apply_ns and apply_kb.
apply_patch() {
  local tool=$1 old=$2 new=$3 patch=$4 target=$work/target run
  reset_best
  for ((run = 0; run < apply_runs; run++)); do
    rm -rf "$target"
    case $tool in
      ours | ours-stored)
        cp -a "$old" "$target"
        measure "$build/tarnwel" "$patch" "$target"
        ;;
      xdelta3) measure xdelta3 -d -f -s "$old" "$patch" "$target" ;;
      bsdiff) measure bspatch "$old" "$target" "$patch" ;;
      zstd) measure zstd -q -f -d --long=31 --patch-from="$old" "$patch" -o "$target" ;;
    esac
    keep_best
    check_result "$new" "$target"
  done
  rm -rf "$target"
  apply_ns=$best_ns apply_kb=$best_kb
}

seconds() { awk -v n="$1" 'BEGIN { printf "%.3f", n / 1e9 }'; }
megabytes() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", 100 * a / b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

header='| corpus | new MB | patcher | raw % | xz % | build s | build MB | apply s | apply MB | ÷raw | ÷xz | ÷build s | ÷apply s | ÷apply MB |'
rule='|---|--:|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|'
rows=()
notes=()

# run_patcher TOOL OLD NEW PATCH RUNS: builds and applies a patch; sets raw and xz (its sizes)
# beside the timings and peaks of build_patch and apply_patch.
run_patcher() {
  build_patch "$1" "$2" "$3" "$4" "$5"
  apply_patch "$1" "$2" "$3" "$4"
  raw=$(stat -c %s "$4")
  xz=$(xz -9 -c "$4" | wc -c)
}

# add_row NAME RATIOS: the row of the patcher that run_patcher ran last, on compare's corpus.
add_row() {
  rows+=("| $label | $(megabytes $((size / 1024))) | $1 | $(percent "$raw" "$size") | $(percent "$xz" "$size") | $(seconds "$build_ns") | $(megabytes "$build_kb") | $(seconds "$apply_ns") | $(megabytes "$apply_kb") | $2 |")
}

# compare LABEL OLD NEW [PEER-OLD PEER-NEW [STORED]]: one row per patcher. Ours takes OLD and NEW
# (files or trees); the peers take PEER-OLD and PEER-NEW, which default to OLD and NEW. With
# STORED set, a second row of ours made smallest as stored (--stored-size).
compare() {
  local label=$1 old=$2 new=$3 peer_old=${4:-$2} peer_new=${5:-$3} stored=${6:-}
  local size runs tool raw xz
  local ours_raw ours_xz ours_build ours_apply ours_kb
  local no_ratios='– | – | – | – | –'
  size=$(stat -c %s "$peer_new")
  runs=3
  ((size >= large_bytes)) && runs=1
  echo "== $label" >&2
  run_patcher ours "$old" "$new" "$work/ours.pat" "$runs"
  ours_raw=$raw ours_xz=$xz ours_build=$build_ns ours_apply=$apply_ns ours_kb=$apply_kb
  add_row tarnwel "$no_ratios"
  if [[ -n $stored ]]; then
    echo "   tarnwel --stored-size" >&2
    run_patcher ours-stored "$old" "$new" "$work/stored.pat" "$runs"
    add_row "tarnwel --stored-size" "$no_ratios"
  fi
  for tool in "${peers[@]}"; do
    if [[ $tool == bsdiff ]] && (($(stat -c %s "$peer_old") * 17 > bsdiff_limit_mb << 20)); then
      rows+=("| $label | $(megabytes $((size / 1024))) | bsdiff: left out | | | | | | | | | | | |")
      notes+=("bsdiff is left out on $label: it would hold about 17 × the old file ($(($(stat -c %s "$peer_old") * 17 >> 20)) MB, over the ${bsdiff_limit_mb} MB allowed here) and sort for minutes.")
      continue
    fi
    echo "   $tool" >&2
    run_patcher "$tool" "$peer_old" "$peer_new" "$work/$tool.pat" "$runs"
    add_row "$tool" "$(ratio "$ours_raw" "$raw") | $(ratio "$ours_xz" "$xz") | $(ratio "$ours_build" "$build_ns") | $(ratio "$ours_apply" "$apply_ns") | $(ratio "$ours_kb" "$apply_kb")"
  done
  rm -f "$work"/*.pat
}

for pair in "${esbuild_pairs[@]}"; do
  read -r from to <<< "$pair"
  compare "esbuild win32-ia32 $from → $to" "$corpus/esbuild-$from.exe" "$corpus/esbuild-$to.exe" \
    "$corpus/esbuild-$from.exe" "$corpus/esbuild-$to.exe" stored
done
tree_old=$corpus/$tree_package-${tree_pair[0]}
tree_new=$corpus/$tree_package-${tree_pair[1]}
tree_files=$(find "$tree_new" -type f | wc -l)
compare "$tree_package ${tree_pair[0]} → ${tree_pair[1]}, $tree_files files (peers: tar)" \
  "$tree_old" "$tree_new" "$tree_old.tar" "$tree_new.tar"
compare "synthetic ${synthetic_mb} MB" "$synthetic_old" "$synthetic_new"

elapsed=$(($(date +%s) - started))
table() {
  echo "$header"
  echo "$rule"
  printf '%s\n' "${rows[@]}"
  echo
  echo "- tarnwel: \`tarnwel-build create -o PATCH OLD NEW\` (default --jobs: one per core; made smallest after"
  echo "  compression, --stored-size: made smallest as stored; ÷ columns compare the default), then the complete run"
  echo "  \`tarnwel PATCH TARGET\` on a fresh copy of the old release (check pass, apply pass, time stamps; a"
  echo "  single-file run deletes the old file, a multi-file run keeps replaced files in the backup folder)."
  echo "- xdelta3: \`xdelta3 -e -9 -S none\` / \`xdelta3 -d -s OLD PATCH OUT\`; bsdiff: \`bsdiff\` / \`bspatch\`;"
  echo "  zstd: \`zstd -19 --patch-from=OLD\` / \`zstd -d --long=31 --patch-from=OLD\` (the decoder needs the wider window)."
  echo "- raw %: the patch file as written, as a share of the new file (of the new tar for the tree; ours"
  echo "  patches the directories, with per-file records and checksums, the peers the tar of each tree);"
  echo "  xz %: the same after \`xz -9\`. xdelta3 -S none is uncompressed; bsdiff and zstd compress their own."
  echo "  Between the two trees files change, appear and disappear; ours carries a new file whole and"
  echo "  leaves a dropped one in place, since a patch cannot remove files."
  echo "- Times are wall clock, best of $apply_runs (builds on files of 64 MB or more: one run); MB is peak"
  echo "  resident memory from /usr/bin/time; every applied result is compared with the new release."
  echo "- ÷ columns: ours divided by that peer's figure; below 1 ours is smaller or faster."
  for note in "${notes[@]}"; do
    echo "- $note"
  done
}

table
mkdir -p "$(dirname "$results")"
{
  echo "# Patchers compared"
  echo
  echo "Made by \`bench/compare_patchers.sh\` on $(date -u +%Y-%m-%d), tarnwel $(git -C "$root" describe --always --dirty 2>/dev/null || echo '?')."
  echo "Machine: $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)), $(free -g | awk '/^Mem/ { print $2 }') GB,"
  echo "shared with other builds running at the same time, so the timings vary with the load."
  echo "Peers from Debian: $(dpkg-query -W -f '${Package} ${Version}, ' xdelta3 bsdiff zstd xz-utils 2>/dev/null | sed 's/, $//')."
  echo
  table
} > "$results.tmp"
mv "$results.tmp" "$results"
echo "Saved $results; the comparison took $elapsed s." >&2
