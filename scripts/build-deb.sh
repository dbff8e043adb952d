#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree:
#   scripts/build-deb.sh <build dir> <output dir>
# Prints the path of the .deb it wrote. Run-time library dependencies come
# from dpkg-shlibdeps; the rest (LibreOffice, fonts, translations) are listed
# in packaging/deb/control.in.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
umask 022

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root

DESTDIR=$root cmake --install "$build" --prefix /usr --strip >/dev/null

doc=$root/usr/share/doc/folvane
install -m 0644 "$here/packaging/deb/copyright" "$doc/copyright"
sed "s/@VERSION@/$version/" "$here/packaging/deb/changelog" | gzip -9n >"$doc/changelog.gz"
mkdir -p "$root/usr/share/man/man1"
for page in Folvane.1 folvane-batch.1; do
  sed "s/@VERSION@/$version/" "$here/packaging/deb/$page" | gzip -9n >"$root/usr/share/man/man1/$page.gz"
done
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root/usr/bin/Folvane" "$root/usr/bin/folvane-batch" "$root/usr/libexec/folvane/folvane-office"

# dpkg-shlibdeps wants a debian/control to read the package names from.
mkdir -p "$work/src/debian"
printf 'Source: folvane\n\nPackage: folvane\nArchitecture: any\n' >"$work/src/debian/control"
shlibs=$(cd "$work/src" && dpkg-shlibdeps -O "$root/usr/bin/Folvane" "$root/usr/bin/folvane-batch" \
  "$root/usr/libexec/folvane/folvane-office" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')

mkdir -p "$root/DEBIAN"
(cd "$root" && find usr -type f -exec md5sum {} + | sort -k2) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$root" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@SIZE@/$size/" -e "s/@SHLIBS@/$shlibs/" \
  "$here/packaging/deb/control.in" >"$root/DEBIAN/control"

deb=$out/folvane_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
