#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop finds
# there: the program, a launcher that passes desktop-file-validate and offers
# to open puzzle files, AppStream metainfo that passes appstreamcli, the
# puzzle file type, the manual pages, and the icon at every size and as SVG
# in the hicolor theme.
# Usage: install.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

cd "$prefix"
sizes=(16 24 32 48 64 128 256)
launcher=share/applications/org.korvane.Korvane.desktop
metainfo=share/metainfo/org.korvane.Korvane.metainfo.xml
mimetypes=share/mime/packages/org.korvane.Korvane.xml
for file in bin/korvane "$launcher" "$metainfo" "$mimetypes" share/man/man6/korvane.6 \
    share/man/ja/man6/korvane.6 share/icons/hicolor/scalable/apps/korvane.svg; do
    [ -s "$file" ] || { echo "not installed: $file"; exit 1; }
done
[ -x bin/korvane ] || { echo "bin/korvane is not executable"; exit 1; }

desktop-file-validate "$launcher"
# A file manager opens puzzle files in Korvane and passes the file. Only the
# program's own type is claimed, so Korvane becomes the default for no type
# that other programs open (tests/e2e/package.sh asks xdg-mime).
if ! grep -qx 'Exec=korvane %f' "$launcher" || ! grep -qx 'Icon=korvane' "$launcher" ||
    ! grep -qx 'MimeType=text/x-korvane-puzzle;' "$launcher"; then
    echo "the launcher must start korvane on a puzzle file, with its icon"
    exit 1
fi
# --strict fails on warnings and infos too; only pedantic notes may remain.
appstreamcli validate --no-net --strict "$metainfo"

# Width and height from each PNG's header, as 4-byte big-endian numbers.
for size in "${sizes[@]}"; do
    png=share/icons/hicolor/${size}x$size/apps/korvane.png
    [ -s "$png" ] || { echo "not installed: $png"; exit 1; }
    expected=$(printf '%08x%08x' "$size" "$size")
    actual=$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')
    [ "$actual" = "$expected" ] || { echo "$png is not $size x $size: $actual"; exit 1; }
done
echo "installed and valid under $prefix"
