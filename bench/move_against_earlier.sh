#!/usr/bin/env bash
# Move mode on one volume, the program as it is against the program as it was before books were
# read ahead (one thread; the archive opened once per entry, three times per book), measured side
# by side: both command-line tools move identical copies of one generated library, taking turns
# for three rounds, each round starting from a settled disk. Prints each time, the ratio of each
# round and the median ratio.
#
#   bash bench/move_against_earlier.sh [BOOKS [REVISION [BASE_FOLDER]]]
#        defaults: 20000 books, 00ee380 (the last commit before reading ahead), the temp folder
#
# The earlier program is built from the repository's history into build/earlier-REVISION (a
# full clone is needed; a shallow one lacks the revision). Needs about 250 MB free for 20,000
# books.
set -euo pipefail
cd "$(dirname "$0")/.."
books=${1:-20000}
revision=${2:-00ee380}
base=${3:-${TMPDIR:-/tmp}}

commit=$(git rev-parse --verify --quiet "$revision^{commit}") ||
  { echo "revision $revision is not in this clone (a shallow clone lacks it)" >&2; exit 2; }
earlier="$PWD/build/earlier-${commit:0:12}"
if [ ! -x "$earlier/build/tools/cli/epub-polcaro-cli" ]; then
  echo "== building the earlier program ($revision) in $earlier"
  rm -rf "$earlier" && mkdir -p "$earlier/source"
  git archive "$commit" | tar -x -C "$earlier/source"
  cmake -S "$earlier/source" -B "$earlier/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$earlier/build" --target epub-polcaro-cli >/dev/null
fi
echo "== building the current program"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target epub-polcaro-cli bench_make_library >/dev/null

work=$(mktemp -d "$base/move-against-earlier.XXXXXX")
trap 'rm -rf "$work"' EXIT
build/bench/bench_make_library "$work/library" "$books"

# Seconds one program takes to move a fresh copy of the library; every book must arrive.
move_with() {
  local program=$1
  rm -rf "$work/run" && mkdir "$work/run"
  cp -a "$work/library" "$work/run/library"
  sync && sleep 1  # the copy's writes reach the disk before the clock starts
  local start end done_count
  start=$(date +%s%N)
  "$program" organise --move --folders language,creator --output "$work/run/out" \
    "$work/run/library" >"$work/run.jsonl"
  end=$(date +%s%N)
  done_count=$(grep -c '"result":"Done"' "$work/run.jsonl" || true)
  [ "$done_count" -eq "$books" ] ||
    { echo "unexpected: $done_count of $books books moved by $program" >&2; exit 1; }
  echo $(( (end - start) / 1000000 ))
}

ratios=()
for round in 1 2 3; do
  # The order alternates, so that neither program always meets the disk as the other left it.
  if [ $((round % 2)) -eq 1 ]; then
    before=$(move_with "$earlier/build/tools/cli/epub-polcaro-cli")
    now=$(move_with build/tools/cli/epub-polcaro-cli)
  else
    now=$(move_with build/tools/cli/epub-polcaro-cli)
    before=$(move_with "$earlier/build/tools/cli/epub-polcaro-cli")
  fi
  ratio=$(awk -v a="$before" -v b="$now" 'BEGIN { printf "%.2f", a / b }')
  ratios+=("$ratio")
  printf 'round %d: earlier %d ms (%.0f books/s), now %d ms (%.0f books/s), %s× faster\n' \
    "$round" "$before" "$(awk -v n="$books" -v t="$before" 'BEGIN { print n * 1000 / t }')" \
    "$now" "$(awk -v n="$books" -v t="$now" 'BEGIN { print n * 1000 / t }')" "$ratio"
done
median=$(printf '%s\n' "${ratios[@]}" | sort -n | sed -n 2p)
echo "move, $books books: median ${median}× faster than the program before reading ahead (target 2×)"
