#!/usr/bin/env bash
# Converts samples/sample.rtf to HTML and prints it: the quickest look at
# what Skeinlet does. Builds first when the tool is not built yet.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="$root/build/tools/skeinlet"

if [ ! -x "$cli" ]; then
  "$root/scripts/build.sh" --target skeinlet >/dev/null
fi

cd "$root"
exec "$cli" rtf2html samples/sample.rtf
