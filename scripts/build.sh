#!/usr/bin/env bash
# Configures and builds Skeinlet: build/ normally, build-asan/ with
# --sanitize. Installs the Debian packages first when some are missing.
#
#   scripts/build.sh [--sanitize] [extra cmake -D options...]
# Prints the build folder on its last line.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build"
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)

for arg in "$@"; do
  case "$arg" in
    --sanitize)
      build_dir="$root/build-asan"
      cmake_args+=(-DSKEINLET_SANITIZE=ON -DSKEINLET_BUILD_BENCH=OFF)
      ;;
    -D*) cmake_args+=("$arg") ;;
    *)
      echo "usage: scripts/build.sh [--sanitize] [-DNAME=VALUE...]" >&2
      exit 2
      ;;
  esac
done

"$root/scripts/install-deps.sh" >&2

generator=()
if [ ! -f "$build_dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
  generator=(-G Ninja)
fi

cmake -S "$root" -B "$build_dir" "${generator[@]}" "${cmake_args[@]}" >&2
cmake --build "$build_dir" -j2 >&2
echo "$build_dir"
