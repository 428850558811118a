#!/usr/bin/env bash
# Installs the Debian packages a fresh machine lacks for the given targets:
# scripts/setup.sh [posix|all]   (default: all)
set -euo pipefail
what=${1:-all}
pkgs=(cmake g++ make googletest python3 zlib1g-dev)
if [ "$what" = all ]; then
  pkgs+=(libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 clang-14
         libclang-rt-14-dev binutils-mingw-w64-i686 libz-mingw-w64-dev)
fi
need=()
for pkg in "${pkgs[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}" >/dev/null
fi
