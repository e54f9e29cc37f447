#!/usr/bin/env bash
# Installs the Debian packages Skeinlet builds, tests and benchmarks with.
# Does nothing when they are all installed already; uses sudo only when not
# running as root.
set -euo pipefail

PACKAGES=(
  build-essential
  cmake
  ninja-build
  pkg-config
  libgtest-dev
  googletest
  libgmock-dev
  libbenchmark-dev
  libtidy-dev
  libstb-dev
  clang
  libclang-rt-dev
  python3
  libxml2-utils
  help2man
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg -s "$pkg" >/dev/null 2>&1; then
    missing+=("$pkg")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}"
