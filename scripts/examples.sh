#!/usr/bin/env bash
# Installs Skeinlet into a temporary prefix and builds and runs the example
# consumers against the installed package: C++ through find_package (shared
# and static), C through pkg-config (shared and static), Python through
# ctypes. Each converts samples/sample.rtf.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$("$root/scripts/build.sh" | tail -n 1)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
sample="$root/samples/sample.rtf"

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
libdir="$prefix/lib"
[ -d "$libdir" ] || libdir="$(dirname "$(find "$prefix" -name 'libskeinlet.so' | head -n 1)")"

echo "== C++, find_package(skeinlet)"
cmake -S "$root/examples/cpp" -B "$work/cpp" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cpp" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cpp/rtf2html_example" "$sample" | grep -q "</html>"
"$work/cpp/rtf2html_example_static" "$sample" | grep -q "</html>"
echo "shared and static: ok"

echo "== C, pkg-config skeinlet"
export PKG_CONFIG_PATH="$libdir/pkgconfig${PKG_CONFIG_PATH:+:$PKG_CONFIG_PATH}"
cc -std=c11 -Wall -Wextra -Werror -o "$work/c_shared" "$root/examples/c/main.c" \
  $(pkg-config --cflags --libs skeinlet)
LD_LIBRARY_PATH="$libdir" "$work/c_shared" "$sample" | grep -q "</html>"
cc -std=c11 -Wall -Wextra -Werror -o "$work/c_static" "$root/examples/c/main.c" \
  $(pkg-config --cflags skeinlet) "$libdir/libskeinlet.a" $(pkg-config --static --libs-only-l skeinlet | sed 's/-lskeinlet//')
"$work/c_static" "$sample" | grep -q "</html>"
echo "shared and static: ok"

echo "== Python, ctypes"
python3 "$root/examples/python/convert.py" "$libdir/libskeinlet.so" "$sample"
