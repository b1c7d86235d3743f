#!/usr/bin/env bash
# Runs a Windows program under Wine, with a prefix of its own inside the build tree.
# Usage: wine-run.sh [--win32] PROGRAM.exe [ARGS...]
set -euo pipefail
wine=/usr/lib/wine/wine64
if [ "${1:-}" = --win32 ]; then wine=/usr/lib/wine/wine; shift; fi
exe=$1; shift
build=$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
exec "$wine" "$exe" "$@"
