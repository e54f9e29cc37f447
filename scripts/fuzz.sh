#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each one.
#
#   scripts/fuzz.sh                 every target for 60 s (the CI smoke run)
#   scripts/fuzz.sh 3600            every target for an hour
#   scripts/fuzz.sh 600 rtf2html    one target
#
# Seeds: the corpus documents of the target's input kind (when the corpus is
# there), samples/ and the target's regression files. A finding (crash-*,
# timeout-*, oom-*) is left in build-fuzz/findings/TARGET/ and fails the
# run; copy it into tests/data/regress/TARGET/ so the normal suite replays it.
# The mutations follow a fixed seed (SKEINLET_FUZZ_SEED, default 1), so the
# smoke run explores the same inputs on every machine and a run that passes
# here passes in CI; set another seed for the long runs.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(rtf2html rtf2raw rtf2body rtf2xhtml rtfheader plain2html rtf2text html2rtf)

"$root/scripts/install-deps.sh" >&2
build="$root/build-fuzz"
generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DSKEINLET_BUILD_FUZZ=ON -DSKEINLET_BUILD_TESTS=OFF \
  -DSKEINLET_BUILD_BENCH=OFF -DSKEINLET_BUILD_TOOLS=OFF >&2
cmake --build "$build" -j2 >&2

corpus="${SKEINLET_CORPUS_DIR:-$root/../shared/corpus}"
status=0
for target in "${targets[@]}"; do
  seeds="$build/seeds/$target"
  findings="$build/findings/$target"
  work="$build/work/$target"
  # Seeds and the work corpus start afresh, so that every machine explores
  # the same inputs from the same start.
  rm -rf "$seeds" "$work"
  mkdir -p "$seeds" "$findings" "$work"
  case "$target" in
    html2rtf) kind=html; dict="$root/fuzz/html.dict" ;;
    *) kind=rtf; dict="$root/fuzz/rtf.dict" ;;
  esac
  if [ -d "$corpus/$kind" ]; then
    # Named by their path in the corpus: many documents share a file name.
    while IFS= read -r -d '' f; do
      rel="${f#"$corpus/$kind/"}"
      cp "$f" "$seeds/${rel//\//__}"
    done < <(find "$corpus/$kind" -type f -size -32k -name "*.$kind*" -print0 | sort -z)
  fi
  cp "$root"/samples/* "$seeds/" 2>/dev/null || true
  if [ -d "$root/tests/data/regress/$target" ]; then cp "$root/tests/data/regress/$target"/* "$seeds/" 2>/dev/null || true; fi
  echo "== fuzz_$target for ${seconds}s ($(ls "$seeds" | wc -l) seeds)" >&2
  if ! ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" \
       UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
       "$build/fuzz/fuzz_$target" "$work" "$seeds" -dict="$dict" \
         -max_total_time="$seconds" -seed="${SKEINLET_FUZZ_SEED:-1}" -timeout=20 -rss_limit_mb=4096 -max_len=65536 \
         -artifact_prefix="$findings/" -print_final_stats=1 2>"$build/fuzz_$target.log"; then
    echo "fuzz_$target: FINDING, see $findings and $build/fuzz_$target.log" >&2
    tail -n 40 "$build/fuzz_$target.log" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz_$target.log" | sed "s/^/fuzz_$target: /" >&2 || true
done
exit "$status"
