#!/usr/bin/env bash
# Installs what is missing, then configures (once) and builds the native build in build/, the
# 64-bit Windows build in build-win64/ and the 32-bit Windows build in build-win32/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# A build tree is configured once; later builds let CMake notice changes by itself.
configure() { # DIRECTORY [CMAKE ARGUMENTS...]
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" "$@"
}

configure build
configure build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
configure build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
for dir in build build-win64 build-win32; do
  echo "== building $dir"
  cmake --build "$dir" -j2
done
