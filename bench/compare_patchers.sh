#!/usr/bin/env bash
# Compares the delta matcher with xdelta3, bsdiff and zstd on consecutive releases of a Windows
# program fetched from the npm registry: patch size (raw and after xz -9), build time and peak
# memory, one line per release pair.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
corpus=${CORPUS_DIR:-/tmp/tarnwel-corpus}
package=@esbuild/win32-ia32
versions=(0.19.11 0.19.12 0.20.0 0.20.1 0.20.2)
pairs=("0.19.11 0.19.12" "0.20.0 0.20.1" "0.20.1 0.20.2")

missing=()
for tool in xdelta3 bsdiff xz zstd /usr/bin/time npm; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
if ((${#missing[@]})); then
  apt-get update -qq
  apt-get install -y -qq xdelta3 bsdiff xz-utils zstd time npm > /dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" --target match_bench -j2 > /dev/null

mkdir -p "$corpus"
for version in "${versions[@]}"; do
  exe=$corpus/esbuild-$version.exe
  [[ -s $exe ]] && continue
  unpack=$(mktemp -d)
  (cd "$unpack" && npm pack --silent "$package@$version" > /dev/null && tar xzf ./*.tgz)
  cp "$unpack/package/esbuild.exe" "$exe"
  rm -rf "$unpack"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs a command under /usr/bin/time; prints "SECONDS PEAK-MB".
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2>&1
  awk '{ printf "%.2f %.0f", $1, $2 / 1024 }' "$work/time"
}

percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", 100 * a / b }'; }

printf '%-18s %9s | %7s %7s %6s %5s | %7s %6s | %7s %6s %5s | %7s %6s\n' \
  pair new raw% xz% s MB xd3% s bsd% s MB zstd% s
for pair in "${pairs[@]}"; do
  read -r from to <<< "$pair"
  old=$corpus/esbuild-$from.exe
  new=$corpus/esbuild-$to.exe
  size=$(stat -c %s "$new")
  read -r ours_s ours_mb <<< "$(measure "$build/bench/match_bench" "$old" "$new" "$work/streams")"
  ours_raw=$(stat -c %s "$work/streams")
  ours_xz=$(xz -9 -c "$work/streams" | wc -c)
  read -r xd_s _ <<< "$(measure xdelta3 -e -9 -S none -f -s "$old" "$new" "$work/xd")"
  read -r bs_s bs_mb <<< "$(measure bsdiff "$old" "$new" "$work/bs")"
  read -r zs_s _ <<< "$(measure zstd -q -f -19 --patch-from="$old" "$new" -o "$work/zs")"
  printf '%-18s %9d | %7s %7s %6s %5s | %7s %6s | %7s %6s %5s | %7s %6s\n' "$from->$to" "$size" \
    "$(percent "$ours_raw" "$size")" "$(percent "$ours_xz" "$size")" "$ours_s" "$ours_mb" \
    "$(percent "$(stat -c %s "$work/xd")" "$size")" "$xd_s" \
    "$(percent "$(stat -c %s "$work/bs")" "$size")" "$bs_s" "$bs_mb" \
    "$(percent "$(stat -c %s "$work/zs")" "$size")" "$zs_s"
done
echo "raw% and xz%: the five sub-streams of our delta, as written and after xz -9; xd3%: xdelta3 -e -9 -S none;"
echo "bsd%: bsdiff (its own compression); zstd%: zstd -19 --patch-from. Times in seconds, memory in MB."
