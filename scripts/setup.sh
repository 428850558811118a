#!/usr/bin/env bash
# Installs the Debian packages a fresh machine lacks for the given targets:
# scripts/setup.sh [posix|all]   (default: all)
set -euo pipefail
what=${1:-all}
pkgs=(cmake g++ make googletest python3 python3-pytest python3-distributed dpkg-dev zlib1g-dev)
if [ "$what" = all ]; then
  pkgs+=(libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 clang-14
         libclang-rt-14-dev binutils-mingw-w64-i686 libz-mingw-w64-dev)
fi
if [ "$what" = all ]; then
  # 32-bit Wine for the win32 tests, beside the 64-bit one.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "adding the i386 architecture"
    dpkg --add-architecture i386
  fi
  pkgs+=(wine32:i386)
fi
need=()
for pkg in "${pkgs[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # Waits for another apt run instead of failing on its lock.
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${need[@]}" >/dev/null
fi
if [ "$what" = all ]; then
  # The win32 tests' own Wine prefix, made once (about 30 s the first time).
  "$(dirname "$0")/wine32.sh" --prepare
fi
