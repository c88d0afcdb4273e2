#!/usr/bin/env bash
# The whole process, start-up included, warm: `epub-polcaro-cli inspect` (every field of every
# book as JSON, on its default threads) against bench_libepub_inspect (a C program on libepub
# that prints three fields), on the same books. The two take turns for ROUNDS rounds after one
# untimed warming round each; the medians and their ratio are printed.
#
#   bash bench/whole_process.sh [BUILD] FOLDER [ROUNDS]   defaults: build, 7 rounds
#   (bash bench/real_books.sh FOLDER fills a folder with real books; a folder of fewer than
#   480 books is taken repeatedly, up to 480 paths)
set -euo pipefail
build=build
if [ $# -ge 2 ] && [ -d "$1/tools/cli" ]; then build=$1; shift; fi
folder=${1:?usage: whole_process.sh [BUILD] FOLDER [ROUNDS]}
rounds=${2:-7}
cli=$build/tools/cli/epub-polcaro-cli
reference=$build/bench/bench_libepub_inspect
[ -x "$cli" ] || { echo "whole_process.sh: $cli is not built" >&2; exit 1; }
[ -x "$reference" ] || { echo "whole_process.sh: $reference is not built (needs libepub-dev)" >&2; exit 1; }

mapfile -t found < <(find "$folder" -name '*.epub' -type f | sort)
[ ${#found[@]} -gt 0 ] || { echo "whole_process.sh: no books in $folder" >&2; exit 1; }
books=()
while [ ${#books[@]} -lt 480 ]; do books+=("${found[@]}"); done
books=("${books[@]:0:480}")

# The wall time of one run in milliseconds; its output goes nowhere.
timed() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" "${books[@]}" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}
median() { printf '%s\n' "$@" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

timed "$cli" inspect >/dev/null
timed "$reference" >/dev/null
ours=() theirs=()
for ((round = 1; round <= rounds; ++round)); do
  ours+=("$(timed "$cli" inspect)")
  theirs+=("$(timed "$reference")")
done
o=$(median "${ours[@]}")
t=$(median "${theirs[@]}")
echo "whole process, ${#books[@]} books (${#found[@]} distinct), warm, median of $rounds rounds:"
echo "  epub-polcaro-cli inspect:   $o ms   (rounds: ${ours[*]})"
echo "  libepub C program:          $t ms   (rounds: ${theirs[*]})"
awk -v o="$o" -v t="$t" 'BEGIN { printf "  libepub / ours:             %.2fx   (target: at least 3x)\n", t / (o > 0 ? o : 1) }'
