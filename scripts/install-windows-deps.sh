#!/usr/bin/env bash
# Installs what the Windows build needs on Debian 12: the 64-bit MinGW-w64 cross compiler
# with the posix thread model (the win32 model has no std::thread), Wine to run the test
# programs, and the GoogleTest sources (built for the target inside the Windows build).
# Only missing packages are installed, so running it again costs a few dpkg queries.
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev mingw-w64-tools
  wine64 wine
  googletest
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  # No recommends: wine recommends the 32-bit wine32, which needs the i386 architecture;
  # the 64-bit build runs under wine64 alone.
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
