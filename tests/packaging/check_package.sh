#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a staging root and checks the installed layout.
set -euo pipefail
build=$1
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

(cd "$build" && cpack -G DEB -B "$staging/out" >/dev/null)
package=$(ls "$staging"/out/kelvane_*.deb)
dpkg-deb -x "$package" "$staging/root"

for file in usr/bin/kelvane usr/bin/kelvane-cli usr/share/kelvane/TypeFichier.csv \
            usr/share/applications/kelvane.desktop \
            usr/share/icons/hicolor/scalable/apps/kelvane.svg \
            usr/share/mime/packages/kelvane.xml usr/share/man/man1/kelvane-cli.1 \
            usr/share/bash-completion/completions/kelvane-cli; do
  [[ -s "$staging/root/$file" ]] || { echo "missing from the package: $file"; exit 1; }
done
[[ -x "$staging/root/usr/bin/kelvane" ]] || { echo "kelvane is not executable"; exit 1; }

# The installed command-line program runs, and the desktop entry opens archives.
"$staging/root/usr/bin/kelvane-cli" --help | grep -qF "kelvane-cli mount [-f] ARCHIVE FOLDER"
grep -q '^MimeType=application/x-fly-pod;application/x-fly-epd;$' \
  "$staging/root/usr/share/applications/kelvane.desktop"
grep -q 'glob pattern="\*.pod"' "$staging/root/usr/share/mime/packages/kelvane.xml"
dpkg-deb -f "$package" Depends | grep -q libqt6widgets6
dpkg-deb -f "$package" Depends | grep -q qt6-translations-l10n
dpkg-deb -f "$package" Depends | grep -q 'fuse3, libfuse3-3'
bash -n "$staging/root/usr/share/bash-completion/completions/kelvane-cli"
echo "package layout checked: $(basename "$package")"
