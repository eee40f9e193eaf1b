#!/usr/bin/env bash
# Installs what building, running and testing need (Debian 12). Quiet when all is there.
set -euo pipefail
pkgs=(cmake make g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
      libgcrypt-mingw-w64-dev libz-mingw-w64-dev googletest fp-utils python3 fonts-wine
      gcc-mingw-w64-i686-win32 binutils-mingw-w64-i686 libssl3 openbox xdotool wmctrl x11-utils)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
