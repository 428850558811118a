#!/usr/bin/env bash
# Builds every target and runs every test: posix and posix-asan natively, win64
# under Wine, win32 under 32-bit Wine (its binaries and exports checked as well,
# and its doctext.exe compared with the Linux one over the corpus).
# Usage: scripts/test-all.sh [preset...]   (default: all of them)
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh all

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(posix posix-asan win64 win32)
jobs=$(nproc 2>/dev/null || echo 2)
export WINEDEBUG=-all
passed=0
failed=0
status=0
notrun=""

# 0 when the kernel runs 32-bit x86 programs. Only a refusal to execute (126)
# says no: a missing or broken 32-bit Wine must still fail the tests.
can_run_32bit() {
  local loader=/usr/lib/wine/wine
  [ -x "$loader" ] || return 0
  "$loader" --version >/dev/null 2>&1
  [ $? -ne 126 ]
}

# Debian's wineserver wrapper passes -p0: the server exits the moment its last
# program does, after writing the registry out. A test program that connects
# during that write is accepted and then cut off ("recvmsg: Connection reset by
# peer") before it runs anything. One server held for the whole leg never exits
# under a starting program.
wine_prefix() { [ "$1" = win32 ] && echo "${DOCFLT_WINE32_PREFIX:-${HOME:-/root}/.wine-docflt32}" ||
  echo "${WINEPREFIX:-${HOME:-/root}/.wine}"; }
hold_wineserver() {  # PRESET
  local server=/usr/lib/wine/wineserver64
  [ -x "$server" ] || server=/usr/lib/wine/wineserver32
  [ -x "$server" ] || return 0
  [ "$1" = win32 ] && scripts/wine32.sh --prepare
  WINEPREFIX=$(wine_prefix "$1") timeout 30 "$server" -w  # one that is exiting goes first
  if WINEPREFIX=$(wine_prefix "$1") "$server" -p </dev/null >/dev/null 2>&1; then
    held_prefix=$(wine_prefix "$1")
    # Wine's own services start with the first program and now stay: started
    # here, they hold no test's output open (ctest waits for its end).
    local run=/usr/lib/wine/wine64
    [ "$1" = win32 ] && run=scripts/wine32.sh
    WINEPREFIX=$held_prefix "$run" cmd /c exit </dev/null >/dev/null 2>&1
  else
    echo "=== $1: a Wine server was already running for $(wine_prefix "$1"); tests use it"
  fi
}
release_wineserver() {
  [ -n "${held_prefix:-}" ] || return 0
  WINEPREFIX=$held_prefix /usr/lib/wine/wineserver -k 2>/dev/null
  held_prefix=""
}
trap release_wineserver EXIT

count_ctest() {  # adds the counts of a ctest log to the totals
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    local total fails
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    fails=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - fails))
    failed=$((failed + fails))
  fi
}

for preset in "${presets[@]}"; do
  leg=$SECONDS
  echo "=== ${preset}: configure and build"
  if ! cmake --preset "$preset" >"build-${preset}.log" 2>&1 ||
     ! cmake --build --preset "$preset" -j"$jobs" >>"build-${preset}.log" 2>&1; then
    tail -n 60 "build-${preset}.log"
    echo "=== ${preset}: BUILD FAILED"
    failed=$((failed + 1))
    status=1
    continue
  fi
  if [ "$preset" = win32 ]; then
    checks=("scripts/check-win32.sh build/win32")
    runs32=0
    can_run_32bit && runs32=1 && checks+=("scripts/compare-doctext.sh win32")
    for check in "${checks[@]}"; do
      if $check; then
        passed=$((passed + 1))
      else
        failed=$((failed + 1))
        status=1
      fi
    done
    if [ $runs32 -eq 0 ]; then
      # Some virtual machines run 64-bit user code only: the kernel refuses
      # every i386 program (Exec format error), Wine's loader included.
      echo "=== win32: TESTS NOT RUN: this machine cannot run 32-bit programs" \
        "(the kernel refuses i386 executables); built, binaries and exports checked"
      notrun+=" $preset"
      rm -f "build-${preset}.log"
      echo "=== ${preset}: $((SECONDS - leg)) s in all"
      continue
    fi
  fi
  echo "=== ${preset}: test"
  log=$(mktemp)
  start=$SECONDS
  case $preset in win*) hold_wineserver "$preset" ;; esac
  ctest --preset "$preset" -j"$jobs" --timeout 600 2>&1 | tee "$log" | grep -v -E '^ *([0-9]+\/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+:)'
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  release_wineserver
  echo "=== ${preset}: tests took $((SECONDS - start)) s"
  count_ctest "$log"
  rm -f "$log"
  rm -f "build-${preset}.log"
  echo "=== ${preset}: $((SECONDS - leg)) s in all"
done

echo "all targets: ${passed} passed, ${failed} failed${notrun:+; tests not run on this machine:${notrun}}"
exit $status
