#!/usr/bin/env bash
# Builds every target and runs every test: posix, posix-asan and win64 (under
# Wine) run their tests; win32 is built and its binaries checked.
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
  echo "=== ${preset}: configure and build"
  if ! cmake --preset "$preset" >"build-${preset}.log" 2>&1 ||
     ! cmake --build --preset "$preset" -j"$jobs" >>"build-${preset}.log" 2>&1; then
    tail -n 60 "build-${preset}.log"
    echo "=== ${preset}: BUILD FAILED"
    failed=$((failed + 1))
    status=1
    continue
  fi
  case "$preset" in
    win32)
      if scripts/check-win32.sh build/win32; then
        passed=$((passed + 1))
      else
        failed=$((failed + 1))
        status=1
      fi
      ;;
    *)
      echo "=== ${preset}: test"
      log=$(mktemp)
      ctest --preset "$preset" -j"$jobs" --timeout 600 2>&1 | tee "$log" | grep -v -E '^ *([0-9]+\/[0-9]+ Test +#[0-9]+: .* Passed|Start +[0-9]+:)'
      [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
      count_ctest "$log"
      rm -f "$log"
      ;;
  esac
  rm -f "build-${preset}.log"
done

echo "all targets: ${passed} passed, ${failed} failed"
exit $status
