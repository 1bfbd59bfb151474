#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks what a desktop finds
# there: the program, a launcher that passes desktop-file-validate, and the
# icon the launcher names, at 32 x 32 and as SVG, in the hicolor theme.
# Usage: install.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

cd "$prefix"
for file in bin/korvane share/applications/korvane.desktop \
    share/icons/hicolor/32x32/apps/korvane.png share/icons/hicolor/scalable/apps/korvane.svg; do
    [ -s "$file" ] || { echo "not installed: $file"; exit 1; }
done
[ -x bin/korvane ] || { echo "bin/korvane is not executable"; exit 1; }

launcher=share/applications/korvane.desktop
desktop-file-validate "$launcher"
if ! grep -qx 'Exec=korvane' "$launcher" || ! grep -qx 'Icon=korvane' "$launcher"; then
    echo "the launcher must start korvane with its icon"
    exit 1
fi

# Width and height from the PNG header: 32 and 32.
size=$(od -An -tx1 -j16 -N8 share/icons/hicolor/32x32/apps/korvane.png | tr -d ' \n')
[ "$size" = 0000002000000020 ] || { echo "the 32x32 icon is not 32 x 32: $size"; exit 1; }
echo "installed and valid under $prefix"
