#!/usr/bin/env bash
# Builds and runs the whole test suite twice, headless: a Release build with warnings as errors,
# then a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_suite() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600
}

echo "== Release build =="
run_suite "$root/build/release" -DCMAKE_BUILD_TYPE=Release -DVELTRANA_WERROR=ON
echo "== Sanitizer build =="
run_suite "$root/build/sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANA_SANITIZE=ON -DVELTRANA_WERROR=ON
