#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a staging root and checks the installed layout.
set -euo pipefail
build=$1
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

(cd "$build" && cpack -G DEB -B "$staging/out" >/dev/null)
package=$(ls "$staging"/out/kelvane_*.deb)
dpkg-deb -x "$package" "$staging/root"

for file in usr/bin/kelvane usr/bin/kelvane-cli usr/libexec/kelvane/kelvane-mount \
            usr/share/kelvane/TypeFichier.csv \
            usr/share/applications/kelvane.desktop \
            usr/share/icons/hicolor/scalable/apps/kelvane.svg \
            usr/share/mime/packages/kelvane.xml usr/share/man/man1/kelvane-cli.1 \
            usr/share/bash-completion/completions/kelvane-cli; do
  [[ -s "$staging/root/$file" ]] || { echo "missing from the package: $file"; exit 1; }
done
for program in usr/bin/kelvane usr/libexec/kelvane/kelvane-mount; do
  [[ -x "$staging/root/$program" ]] || { echo "$program is not executable"; exit 1; }
done

# The installed command-line program runs, and the desktop entry opens archives.
"$staging/root/usr/bin/kelvane-cli" --help | grep -qF "kelvane-cli mount [-f] ARCHIVE|FOLDER MOUNTPOINT"
# Its mount runs the installed kelvane-mount (which alone says this), and only that links libfuse3.
refused=$("$staging/root/usr/bin/kelvane-cli" mount /dev/null "$staging/nowhere" 2>&1 || true)
grep -qF "kelvane-cli: cannot mount /dev/null: not a readable .POD or .EPD archive" <<<"$refused"
if ldd "$staging/root/usr/bin/kelvane-cli" | grep -q libfuse; then
  echo "kelvane-cli links libfuse3"; exit 1
fi
grep -q '^MimeType=application/x-fly-pod;application/x-fly-epd;$' \
  "$staging/root/usr/share/applications/kelvane.desktop"
grep -q 'glob pattern="\*.pod"' "$staging/root/usr/share/mime/packages/kelvane.xml"
dpkg-deb -f "$package" Depends | grep -q libqt6widgets6
dpkg-deb -f "$package" Depends | grep -q qt6-translations-l10n
# libtiff decodes the TIFF pictures the own decoder refuses.
dpkg-deb -f "$package" Depends | grep -q 'libtiff6'
# libfuse3-3 as kelvane-mount links it; fusermount3 (fuse3) only recommended.
dpkg-deb -f "$package" Depends | grep -q 'libfuse3-3'
if dpkg-deb -f "$package" Depends | grep -Eq '(^|, )fuse3( |,|$)'; then
  echo "fuse3 should be recommended, not required"; exit 1
fi
dpkg-deb -f "$package" Recommends | grep -Eq '(^|, )fuse3( |,|$)'
bash -n "$staging/root/usr/share/bash-completion/completions/kelvane-cli"
echo "package layout checked: $(basename "$package")"
