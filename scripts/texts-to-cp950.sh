#!/usr/bin/env bash
# Converts the UTF-8 texts file to code page 950 and writes both bytes of every double-byte
# character as octal escapes, so that a trail byte of 0x5C can never act as a backslash.
set -euo pipefail
iconv -f UTF-8 -t CP950 "$1" |
  LC_ALL=C perl -pe 's/([\x81-\xfe])([\x40-\x7e\xa1-\xfe])/sprintf("\\%03o\\%03o", ord $1, ord $2)/ge' > "$2"
