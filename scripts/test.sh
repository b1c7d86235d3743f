#!/usr/bin/env bash
# Builds everything, then runs the tests: natively, the 64-bit Windows build under Wine (its unit
# tests, then whole runs of tarnwel.exe), and the 32-bit Windows build where a 32-bit Windows
# program can run. Prints a summary; exits non-zero when a build or any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all

if ! bash scripts/build.sh; then
  echo "== Summary: the build FAILED"
  exit 1
fi

summary=()
failed=0

run_step() { # LABEL COMMAND...
  local label=$1 start=$SECONDS; shift
  echo "== testing $label"
  if "$@"; then
    summary+=("$label: passed in $((SECONDS - start)) s")
  else
    summary+=("$label: FAILED")
    failed=1
  fi
}

ctest_in() { (cd "$1" && ctest --output-on-failure --timeout 900); }

# This machine's kernel may not run 32-bit code at all; only a program that actually starts counts.
win32_runs() {
  [ -x /usr/lib/wine/wine ] &&
    timeout 300 bash scripts/wine-run.sh --win32 build-win32/tests/tarnwel_tests.exe --gtest_list_tests >/dev/null 2>&1
}

run_step native ctest_in build
run_step "Windows 64-bit under Wine" ctest_in build-win64
run_step "Windows 64-bit end to end under Wine" bash tests/windows/run_e2e.sh
if win32_runs; then
  run_step "Windows 32-bit under Wine" ctest_in build-win32
else
  summary+=("Windows 32-bit: built; tests not run (no 32-bit Wine on this machine)")
fi

echo "== Summary"
printf '   %s\n' "${summary[@]}"
exit "$failed"
