#!/usr/bin/env bash
# Installs what the Windows builds need on Debian 12: the 64-bit and 32-bit MinGW-w64
# cross compilers with the posix thread model (the win32 model has no std::thread),
# Wine to run the test programs (wine64, and wine32 for the 32-bit bridge build, which
# needs the i386 architecture added to dpkg), and the GoogleTest sources (built for the
# target inside each Windows build). Only missing packages are installed, so running it
# again costs a few dpkg queries.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev mingw-w64-tools
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine64 wine wine32:i386
  googletest
)

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# wine32 is an i386 package: dpkg has to know the architecture first.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "adding the i386 architecture (for wine32)"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

# Wine's recommendations (fonts, sound, desktop parts) are not needed to run the test
# programs; install-deps.sh installs without recommends.
bash "$(dirname "$0")/install-deps.sh" "${packages[@]}"
