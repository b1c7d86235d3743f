#!/usr/bin/env bash
# The main job on the bundled example: build a patch from the example releases 1.0 and 1.1 to
# 2.0, apply it to a copy of release 1.0, show the result, and apply it once more.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"

releases=$root/examples/releases
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwel-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== Building the patch: releases 1.0 and 1.1 -> 2.0"
"$root/build/tarnwel-build" create --description "Sample Viewer 2.0 update" --backup-dir backup \
  -o "$work/update.pat" "$releases/1.0" "$releases/1.1" "$releases/2.0"
"$root/build/tarnwel-build" list "$work/update.pat"

echo
echo "== Applying it to a copy of release 1.0"
cp -r "$releases/1.0" "$work/installed"
"$root/build/tarnwel" "$work/update.pat" "$work/installed"

echo
echo "== The updated tree matches release 2.0"
diff -r --exclude=backup "$work/installed" "$releases/2.0" && echo "identical to 2.0"
echo "backup folder:"; (cd "$work/installed/backup" && find . -type f | sort)

echo
echo "== Applying it again"
"$root/build/tarnwel" "$work/update.pat" "$work/installed"
