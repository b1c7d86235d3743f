#!/usr/bin/env bash
# Installs everything a fresh Debian machine needs to build and test Tarnwel.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(cmake g++ make googletest libgtest-dev zlib1g-dev libdivsufsort-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine64 xvfb locales fonts-arphic-uming)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
# Code page 950 under Wine needs the Traditional Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_TW.utf8$'; then
  sed -i 's/^# *zh_TW.UTF-8 UTF-8/zh_TW.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_TW.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_TW.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
