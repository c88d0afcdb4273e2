#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UBSan, then runs each
# for SECONDS (default 60) from the project's own seed corpus with its dictionary.
# Fails on a crash, a leak, any sanitizer report or an input slower than 2 s, and prints the
# reproducer (the saved input and the command that replays it).
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz
targets=(fuzz_epub_file fuzz_package_documents fuzz_parsers_agree)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPOLCARO_FUZZ=ON -DPOLCARO_SANITIZE=ON -DPOLCARO_WERROR=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" fuzz_seeds

seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/fuzz_seeds" "$seeds"

# The targets write each input to a scratch file; keep those inside the build folder.
export TMPDIR="$PWD/$build/tmp"
mkdir -p "$TMPDIR"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  rm -f "$artifacts"/*
  log="$build/$target.log"
  echo "== $target: ${seconds}s"
  if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 \
       -max_len=65536 -dict=fuzz/epub.dict -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$corpus" "$seeds/$target" >"$log" 2>&1; then
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+.*DONE)" "$log" || true
  else
    status=1
    echo "!! $target failed; the end of its log:"
    tail -n 60 "$log"
    for input in "$artifacts"/*; do
      [ -e "$input" ] || continue
      echo "!! reproducer: $input ($(stat -c %s "$input") bytes, base64 below)"
      echo "!! replay with: $build/fuzz/$target $input"
      base64 -w 76 "$input" | head -n 200
    done
  fi
done
exit $status
