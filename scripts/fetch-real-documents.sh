#!/usr/bin/env bash
# Real Word documents for bench/bench_pages.cpp, from Debian's archive, into DIR/documents:
#  - the LibreOffice source package: the Word documents its tests load, most of them
#    attachments of bug reports, saved by Microsoft Word (those meant to be refused are
#    left out), the few Japanese ones among them;
#  - the Apache POI source package: the Word documents of its test data;
#  - r-cran-officer: the Word documents among its examples and tests.
# Nothing is installed; the source packages come through a private apt state under DIR
# with the system's own sources as deb-src. Run again, it fetches only what is missing.
#
#   scripts/fetch-real-documents.sh DIR && build/bench/bench_pages DIR/documents
set -euo pipefail

dir=${1:?usage: $0 DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
docs=$dir/documents
mkdir -p "$docs"

# The system's package sources, as source-package sources.
apt=$dir/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$apt/src"
: >"$apt/sources.list"
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >>"$apt/sources.list"
fi
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt/parts/$(basename "$f")"
done
for f in /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] && sed -n 's/^deb \(.*\)/deb-src \1/p' "$f" >>"$apt/sources.list"
done
aptopts=(-o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
  -o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts")

updated=
source_tarball() {  # PACKAGE: its .orig tarball, downloaded once
  if ! ls "$apt/src/$1"_*.orig.tar.xz >/dev/null 2>&1; then
    [ -n "$updated" ] || apt-get "${aptopts[@]}" update
    updated=1
    (cd "$apt/src" && apt-get "${aptopts[@]}" source --download-only "$1")
    # Only the program's own tarball holds the test documents.
    rm -f "$apt/src/$1"_*.orig-*.tar.xz
  fi
  ls "$apt/src/$1"_*.orig.tar.xz | head -n1
}

# Every test folder's documents, not only the writer's: the Japanese ones are elsewhere.
if [ ! -f "$docs/libreoffice/.done-all-tests" ]; then
  orig=$(source_tarball libreoffice)
  rm -rf "$docs/libreoffice"
  mkdir -p "$docs/libreoffice"
  tar -xJf "$orig" -C "$docs/libreoffice" --strip-components=1 --wildcards \
    --exclude='*/fail/*' '*/qa/*.doc' '*/qa/*.docx'
  touch "$docs/libreoffice/.done-all-tests"
fi

if [ ! -f "$docs/apache-poi/.done" ]; then
  orig=$(source_tarball libapache-poi-java)
  rm -rf "$docs/apache-poi"
  mkdir -p "$docs/apache-poi"
  tar -xJf "$orig" -C "$docs/apache-poi" --strip-components=1 --wildcards \
    '*/test-data/*.doc' '*/test-data/*.docx'
  touch "$docs/apache-poi/.done"
fi

if [ ! -f "$docs/r-cran-officer/.done" ]; then
  deb=$dir/debs
  mkdir -p "$deb"
  if ! ls "$deb"/r-cran-officer_*.deb >/dev/null 2>&1; then
    (cd "$deb" && apt-get download r-cran-officer)
  fi
  rm -rf "$deb/root" "$docs/r-cran-officer"
  dpkg-deb -x "$(ls "$deb"/r-cran-officer_*.deb | head -n1)" "$deb/root"
  mkdir -p "$docs/r-cran-officer"
  find "$deb/root" \( -name '*.docx' -o -name '*.docx.gz' \) -exec cp -t "$docs/r-cran-officer" {} +
  gunzip -f "$docs/r-cran-officer"/*.gz 2>/dev/null || true
  touch "$docs/r-cran-officer/.done"
fi

echo "$(find "$docs" -type f \( -name '*.doc' -o -name '*.docx' \) | wc -l) documents in $docs"
