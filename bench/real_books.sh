#!/usr/bin/env bash
# Fills FOLDER with real EPUBs for bench_read_ahead's inspect figures: the books Debian ships in
# live-manual-epub and ubuntu-packaging-guide-epub (downloaded with apt-get, never installed).
#
#   bash bench/real_books.sh FOLDER
#   POLCARO_REAL_BOOKS=FOLDER build/bench/bench_read_ahead
set -euo pipefail
folder="${1:?usage: bench/real_books.sh FOLDER}"
mkdir -p "$folder"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Root would hand the download to the _apt user, who cannot write into this private folder.
(cd "$work" && apt-get -o APT::Sandbox::User=root download live-manual-epub ubuntu-packaging-guide-epub >/dev/null)
for deb in "$work"/*.deb; do dpkg -x "$deb" "$work/x"; done
count=0
while IFS= read -r -d '' book; do
  count=$((count + 1))
  cp "$book" "$folder/real$count.epub"
done < <(find "$work/x" -name '*.epub' -type f -print0 | sort -z)
echo "$count real books in $folder"
