#!/usr/bin/env bash
# Fills FOLDER/books with the cold-read corpus for bench_cold_read: N books (default 3000), each
# a real EPUB (bench/real_books.sh: Debian's live-manual-epub and ubuntu-packaging-guide-epub)
# with a title of its own and a 1.5 MB stored image entry added after its other entries, as a
# cover or plate would be: about 4.8 GB for 3000 books. Put it outside the repository, on the
# volume to be measured (/var/tmp, /work/tmp).
#
#   bash bench/cold_corpus.sh FOLDER [N]
set -euo pipefail
folder="${1:?usage: bench/cold_corpus.sh FOLDER [N]}"
count="${2:-3000}"
mkdir -p "$folder"
# About 1.6 MB a book, and room to spare.
need_kb=$((count * 1700 + 1024 * 1024))
free_kb=$(df -Pk "$folder" | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt "$need_kb" ]; then
  echo "cold_corpus.sh: $folder has $((free_kb / 1024)) MB free, $count books need $((need_kb / 1024)) MB" >&2
  exit 1
fi
bash "$(dirname "$0")/real_books.sh" "$folder/real" >/dev/null
rm -rf "$folder/books"
mkdir -p "$folder/books"
python3 - "$folder/real" "$folder/books" "$count" <<'PY'
import os, random, re, sys, zipfile

real, out, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
sources = []
for name in sorted(os.listdir(real)):
    with zipfile.ZipFile(os.path.join(real, name)) as book:
        entries = [(info, book.read(info)) for info in book.infolist()]
    container = dict((i.filename, d) for i, d in entries)["META-INF/container.xml"].decode()
    opf = re.search(r'full-path="([^"]+)"', container).group(1)
    sources.append((entries, opf))
rng = random.Random(1)
for number in range(count):
    entries, opf = sources[number % len(sources)]
    path = os.path.join(out, "book%05d.epub" % number)
    with zipfile.ZipFile(path, "w") as book:
        for info, data in entries:
            if info.filename == opf:
                # A title of its own, so that organising never meets the same target twice.
                data = re.sub(rb"(<dc:title[^>]*>)", rb"\g<1>%d " % number, data, count=1)
            method = zipfile.ZIP_STORED if info.filename == "mimetype" else zipfile.ZIP_DEFLATED
            book.writestr(info.filename, data, compress_type=method)
        book.writestr("OEBPS/images/plate.jpg", rng.randbytes(1536 * 1024),
                      compress_type=zipfile.ZIP_STORED)
print("%d books in %s" % (count, out))
PY
du -sh "$folder/books"
