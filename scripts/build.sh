#!/usr/bin/env bash
# Configures and builds Skeinlet: build/ normally, build-asan/ with
# --sanitize. Installs the Debian packages first when some are missing.
#
#   scripts/build.sh [--sanitize|--tsan] [--target NAME] [-DNAME=VALUE...]
# Prints the build folder on its last line.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build"
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
build_args=()

while [ "$#" -gt 0 ]; do
  arg="$1"
  shift
  case "$arg" in
    --sanitize)
      build_dir="$root/build-asan"
      cmake_args+=(-DSKEINLET_SANITIZE=ON -DSKEINLET_BUILD_BENCH=OFF)
      ;;
    --tsan)
      build_dir="$root/build-tsan"
      cmake_args+=(-DSKEINLET_SANITIZE_THREAD=ON -DSKEINLET_BUILD_BENCH=OFF)
      ;;
    --target)
      [ "$#" -gt 0 ] || { echo "build.sh: --target needs a name" >&2; exit 2; }
      build_args+=(--target "$1")
      shift
      ;;
    -D*) cmake_args+=("$arg") ;;
    *)
      echo "usage: scripts/build.sh [--sanitize|--tsan] [--target NAME] [-DNAME=VALUE...]" >&2
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
cmake --build "$build_dir" -j2 "${build_args[@]}" >&2
echo "$build_dir"
