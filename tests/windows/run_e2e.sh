#!/usr/bin/env bash
# Runs the 64-bit Windows applier under Wine end to end: a multi-file run with backup and time
# stamps, a target named by a registry value set with reg, and the console contract (usage, bad
# patches, a self-applying program, a search answered from stdin). Patches come from the native
# builder; trees are made afresh in build-win64/e2e-scratch. Prints one line per check and exits
# non-zero when any check fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$root/build-win64/tarnwel.exe
builder=$root/build/tarnwel-build
scratch=$root/build-win64/e2e-scratch
wine=/usr/lib/wine/wine64
export WINEPREFIX=$root/build-win64/wineprefix
export WINEDEBUG=-all
# A zone far from UTC and without summer time: a stamp written as UTC instead of local time is
# eight hours off, and converting a local time never depends on the season it is done in.
export TZ=Asia/Taipei
# The registry key the registry patch names; removed again whatever happens.
reg_key='Software\TarnwelEndToEnd\App'

for program in "$exe" "$builder" "$wine"; do
  [ -x "$program" ] || { echo "missing $program (run scripts/build.sh first)"; exit 1; }
done

checks=0
failures=0

# check NAME COMMAND...: the command's success is the check's; on failure it explains itself.
check() {
  local name=$1; shift
  checks=$((checks + 1))
  if "$@"; then
    echo "   ok    $name"
  else
    echo "   FAIL  $name"
    failures=$((failures + 1))
  fi
}

# The Wine name of a host path: the host's / is drive Z:.
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# run INPUT PROGRAM.exe ARGS...: runs under Wine with INPUT on stdin (empty: end of input at
# once). Sets $code; $out and $err hold stdout and stderr in UTF-8 with LF line ends.
out=$scratch/stdout.txt
err=$scratch/stderr.txt
run() {
  local input=$1; shift
  printf '%s' "$input" >"$scratch/stdin.txt"
  "$wine" "$@" <"$scratch/stdin.txt" >"$scratch/stdout.raw" 2>"$scratch/stderr.raw"
  code=$?
  tr -d '\r' <"$scratch/stdout.raw" | iconv -f CP950 -t UTF-8 >"$out"
  tr -d '\r' <"$scratch/stderr.raw" | iconv -f CP950 -t UTF-8 >"$err"
}

exit_is() {
  [ "$code" = "$1" ] && return
  echo "         exit code $code, expected $1; stdout and stderr:"
  sed 's/^/         | /' "$out" "$err"
  return 1
}

# Exact text, expected on stdin.
stdout_is() {
  diff -u - "$out" | sed 's/^/         /'
  return "${PIPESTATUS[0]}"
}

contains() { # FILE TEXT
  grep -qF -- "$2" "$1" && return
  echo "         \"$2\" not in:"
  sed 's/^/         | /' "$1"
  return 1
}

same_tree() { # ACTUAL EXPECTED [diff options]
  local actual=$1 expected=$2; shift 2
  diff -r "$@" "$actual" "$expected" | sed 's/^/         /'
  return "${PIPESTATUS[0]}"
}

# stamped DIRECTORY FILES...: each file carries its new release time, rounded down to the even
# second that the DOS format can hold.
stamped() {
  local dir=$1 f want got ok=0; shift
  for f; do
    want=$(($(stat -c %Y "$new/$f") / 2 * 2))
    got=$(stat -c %Y "$dir/$f")
    [ "$got" = "$want" ] && continue
    echo "         $f: time $(date -d "@$got" '+%F %T'), expected $(date -d "@$want" '+%F %T')"
    ok=1
  done
  return $ok
}

same_time() { # FILE OTHER
  [ "$(stat -c %Y "$1")" = "$(stat -c %Y "$2")" ] && return
  echo "         $1: time $(stat -c %y "$1"), expected $(stat -c %y "$2")"
  return 1
}

# --- Releases and patches (all native work first, so the Wine calls follow each other closely
# and share one running wineserver).
rm -rf "$scratch"
mkdir -p "$scratch"
old=$scratch/releases/1.0
new=$scratch/releases/2.0
mkdir -p "$old/data" "$old/lib/sub" "$new/data" "$new/lib/sub" "$new/docs" "$new/plugins"
seq 1 2000 | sed 's/^/program code line /' >"$old/app.exe"
seq 1 2000 | sed 's/^/program code line /; 500,520s/line/LINE/; 1500a inserted in release 2.0' >"$new/app.exe"
printf '[main]\r\nversion=1.0\r\nmode=fast\r\n' >"$old/data/config.ini"
printf '[main]\r\nversion=2.0\r\nmode=fast\r\nextra=yes\r\n' >"$new/data/config.ini"
seq 1 800 | sed 's/^/core /' >"$old/lib/sub/core.dll"
seq 1 800 | sed 's/^/core /; 2,10d; 700s/$/ changed/' >"$new/lib/sub/core.dll"
printf 'read me: the same in both releases\r\n' | tee "$old/data/readme.txt" >"$new/data/readme.txt"
printf 'a document new in 2.0\r\n' >"$new/docs/new.txt"
seq 1 700 | tr '\n' '\0' >"$new/plugins/extra.bin"
# Odd seconds, so that the rounding to the DOS format shows.
stamp=1709640451 # 2024-03-05 20:07:31 in Taipei
for f in app.exe data/config.ini data/readme.txt lib/sub/core.dll; do
  touch -d "@$((stamp - 86400 * 90))" "$old/$f"
done
for f in app.exe data/config.ini lib/sub/core.dll docs/new.txt plugins/extra.bin; do
  stamp=$((stamp + 3600 + 7))
  touch -d "@$stamp" "$new/$f"
done
touch -d "@$(stat -c %Y "$old/data/readme.txt")" "$new/data/readme.txt"
rebuilt=(app.exe data/config.ini lib/sub/core.dll)
embedded=(docs/new.txt plugins/extra.bin)

build() { # OUTPUT [OPTIONS...]: a patch from release 1.0 to 2.0
  local output=$1; shift
  "$builder" create --quiet --description "Tarnwel end-to-end update" "$@" -o "$output" "$old" "$new" \
    2>>"$scratch/builder.log" && return
  echo "tarnwel-build create $* failed:"; cat "$scratch/builder.log"
  exit 1
}
patch=$scratch/update.pat
build "$patch" --backup-dir "old files"
build "$scratch/registry.pat" --registry "$reg_key" InstallDir
build "$scratch/update.exe" --exe "$exe"

# Damaged copies of the patch: a patch counts as a whole, so none of them may touch anything.
cp "$patch" "$scratch/no-magic.pat"
printf 'X' | dd of="$scratch/no-magic.pat" bs=1 seek=$(($(stat -c %s "$patch") - 1)) conv=notrunc status=none
head -c -100 "$patch" >"$scratch/truncated.pat"
printf 'not a patch at all\r\n' >"$scratch/text.pat"

wine_temp=$WINEPREFIX/drive_c/users/$(id -un)/Temp
temp_before=$(ls -A "$wine_temp" 2>/dev/null | sort)

# --- 1. A multi-file run: deltas, an unchanged file, embedded files, backup and time stamps.
echo "== multi-file run"
target="$scratch/My App" # a blank in the target: the command line quotes it
cp -a "$old" "$target"
run "" "$exe" "$(winpath "$patch")" "$(winpath "$target")"
check "applies with exit code 0" exit_is 0
check "lists every file on stdout" stdout_is <<EOF
檢查是否這升級程式能夠套用到 "$(winpath "$target")" ...

Tests Ok. Now applying the patch.

Patching file "app.exe": (ok)
Patching file "data\\config.ini": (ok)
Writing embedded file "docs\\new.txt".
Patching file "lib\\sub\\core.dll": (ok)
Writing embedded file "plugins\\extra.bin".

Ok, patch applied successfully.
EOF
check "shows the description on stderr" contains "$err" "Tarnwel end-to-end update"
check "the tree is release 2.0 byte for byte" same_tree "$target" "$new" --exclude="old files"
expected_backup=$scratch/expected-backup
for f in "${rebuilt[@]}"; do
  mkdir -p "$(dirname "$expected_backup/$f")"
  cp -a "$old/$f" "$expected_backup/$f"
done
check "the backup folder holds the replaced old files" same_tree "$target/old files" "$expected_backup"
check "rebuilt and embedded files carry the patch's times" stamped "$target" "${rebuilt[@]}" "${embedded[@]}"
check "the unchanged file is not touched" same_time "$target/data/readme.txt" "$old/data/readme.txt"

# The target given as a file inside the folder: the run works on the folder.
run "" "$exe" "$(winpath "$patch")" "$(winpath "$target/app.exe")"
check "a second run exits with 0" exit_is 0
check "a second run finds every file already updated" stdout_is <<EOF
檢查是否這升級程式能夠套用到 "$(winpath "$target")\\" ...

Tests Ok. Now applying the patch.

Patching file "app.exe": (ok, already updated)
Patching file "data\\config.ini": (ok, already updated)
Writing embedded file "docs\\new.txt".
Patching file "lib\\sub\\core.dll": (ok, already updated)
Writing embedded file "plugins\\extra.bin".

Ok, patch applied successfully.
EOF
check "after the second run the tree is still release 2.0" same_tree "$target" "$new" --exclude="old files"

# --- 2. The registry names where the old versions are; the new files go to the given target.
echo "== registry value set with reg add"
installed=$scratch/registry/installed
fresh=$scratch/registry/fresh
mkdir -p "$scratch/registry"
cp -a "$old" "$installed"
remove_key() { "$wine" reg delete "HKLM\\$reg_key" /f >/dev/null 2>&1; }
trap remove_key EXIT
remove_key
run "" reg add "HKLM\\$reg_key" /v InstallDir /d "$(winpath "$installed")" /f
check "reg add sets the value" exit_is 0
run "" "$exe" "$(winpath "$scratch/registry.pat")" "$(winpath "$fresh")"
check "applies with exit code 0" exit_is 0
check "checks the folder the registry names" contains "$out" "檢查是否這升級程式能夠套用到 \"$(winpath "$installed")\" ..."
check "the installed folder stays release 1.0" same_tree "$installed" "$old"
check "the given folder gets the patch's files" same_tree "$fresh" "$new" --exclude=readme.txt
check "the new files carry the patch's times" stamped "$fresh" "${rebuilt[@]}" "${embedded[@]}"
remove_key
trap - EXIT

# --- 3. The console contract.
echo "== console contract"
run "" "$exe"
check "no arguments: exit code 1" exit_is 1
check "no arguments: usage on stderr" contains "$err" "Usage: Patchname [old]"
check "no arguments: nothing on stdout" stdout_is </dev/null

untouched=$scratch/untouched
cp -a "$old" "$untouched"
missing=$(winpath "$scratch/missing.pat")
run "" "$exe" "$missing" "$(winpath "$untouched")"
check "missing patch: exit code 255" exit_is 255
check "missing patch: Patch Error on stderr" contains "$err" "Patch Error"
check "missing patch: says which file" contains "$err" "Error, cannot open patchfile \"$missing\" for reading!"
damaged=( # FILE:EXPECTED TEXT
  "no-magic.pat:is no patchfile."
  "truncated.pat:unreadable or not a patchfile."
  "text.pat:unreadable or not a patchfile."
)
for row in "${damaged[@]}"; do
  name=${row%%:*}
  run "" "$exe" "$(winpath "$scratch/$name")" "$(winpath "$untouched")"
  check "$name: exit code 255" exit_is 255
  check "$name: Patch Error on stderr" contains "$err" "Patch Error"
  check "$name: the reason on stderr" contains "$err" "${row#*:}"
done
check "bad patches leave the target as it was" same_tree "$untouched" "$old"

selfapply=$scratch/self-applying
cp -a "$old" "$selfapply"
run "" "$scratch/update.exe" "$(winpath "$selfapply")"
check "self-applying program: exit code 0" exit_is 0
check "self-applying program: reports success" contains "$out" "Ok, patch applied successfully."
check "self-applying program: the tree is release 2.0" same_tree "$selfapply" "$new" --exclude="backup"

# Without a target the current folder is searched first, and the question names it as such.
current=$scratch/current
cp -a "$old" "$current"
pushd "$current" >/dev/null
run "y"$'\n' "$scratch/update.exe"
popd >/dev/null
check "self-applying program in the current folder: exit code 0" exit_is 0
check "self-applying program in the current folder: asks about it" \
  contains "$err" "這升級程式能被套用到 \"  目前的資料夾   \". 你要套用升級程式嗎?"
check "self-applying program in the current folder: the tree is release 2.0" \
  same_tree "$current" "$new" --exclude="backup"

# A target that does not fit starts the search: the start folder does not fit, its sub-folder
# does, and the question about it is answered from stdin.
search=$scratch/search
candidate=$(winpath "$search/elsewhere")
question="這升級程式能被套用到 \"$candidate\". 你要套用升級程式嗎?"
declined="這升級程式無法套用或你已拒絕作升級的要求."
answers=( # ANSWER LINE (- for end of input at once):EXIT CODE:THE CANDIDATE AFTERWARDS
  "n:2:$old"
  "-:2:$old"
  "Yes:0:$new"
)
for row in "${answers[@]}"; do
  IFS=: read -r answer want tree <<<"$row"
  input=$answer$'\n'
  label="search answered \"$answer\""
  [ "$answer" = - ] && input= label="search, stdin at its end"
  rm -rf "$search"
  mkdir -p "$search"
  cp -a "$old" "$search/elsewhere"
  run "$input" "$exe" "$(winpath "$patch")" "$(winpath "$search")"
  check "$label: exit code $want" exit_is "$want"
  check "$label: the question on stderr" contains "$err" "$question"
  if [ "$want" = 2 ]; then
    check "$label: the run error on stderr" contains "$err" "$declined"
    check "$label: the run error ends the output list" stdout_is <<EOF
檢查是否這升級程式能夠套用到 "$(winpath "$search")" ...

$declined 請使用 "瀏覽" 按鈕來選擇
目標軟體處, 然後再按 "套用" 按鈕.
EOF
  fi
  check "$label: the candidate is as expected" same_tree "$search/elsewhere" "$tree" --exclude="old files"
done

temp_after=$(ls -A "$wine_temp" 2>/dev/null | sort)
check "no file is left in the temp folder" [ "$temp_before" = "$temp_after" ]

echo "== $checks checks, $failures failed"
[ "$failures" = 0 ]
