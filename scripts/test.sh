#!/usr/bin/env bash
# Builds Skeinlet and runs every test.
#
#   scripts/test.sh              build/ with the normal flags
#   scripts/test.sh --sanitize   build-asan/ with ASan and UBSan
#   scripts/test.sh --tsan       build-tsan/ with ThreadSanitizer: the
#                                thread tests only
# Further arguments go to ctest (e.g. -R cli, -L engine).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_args=()
ctest_args=()
for arg in "$@"; do
  case "$arg" in
    --sanitize) build_args+=("$arg") ;;
    --tsan) build_args+=("$arg" --target test_component); ctest_args+=(-R "^Threads[.]") ;;
    *) ctest_args+=("$arg") ;;
  esac
done

build_dir="$("$root/scripts/build.sh" "${build_args[@]}" | tail -n 1)"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

ctest --test-dir "$build_dir" --output-on-failure --no-tests=error -j2 "${ctest_args[@]}"
