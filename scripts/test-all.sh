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
  ctest --preset "$preset" -j"$jobs" --timeout 600 2>&1 | tee "$log" | grep -v -E '^ *([0-9]+\/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+:)'
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  echo "=== ${preset}: tests took $((SECONDS - start)) s"
  count_ctest "$log"
  rm -f "$log"
  rm -f "build-${preset}.log"
  echo "=== ${preset}: $((SECONDS - leg)) s in all"
done

echo "all targets: ${passed} passed, ${failed} failed${notrun:+; tests not run on this machine:${notrun}}"
exit $status
