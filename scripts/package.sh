#!/usr/bin/env bash
# Builds the Debian package with Debian's own tools (dpkg-buildpackage and
# debhelper, following debian/) and leaves it in dist/, in place of an older
# one. The build runs in a copy of the tree in a temporary folder, so the
# working tree gets nothing but the new dist/korvane_*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The tree as it is now, committed or not, but without git's data, build
# folders, earlier packages and scratch files.
tree=$work/korvane
mkdir "$tree"
tar --create --anchored --exclude=./.git --exclude='./build*' --exclude=./dist --exclude=./tmp . |
    tar --extract --directory "$tree"

# Binary package only, unsigned, with as many jobs as there are cores. The
# results land beside the copied tree, in $work.
(cd "$tree" && dpkg-buildpackage --build=binary --no-sign --jobs-try=auto)

mkdir -p dist
rm -f dist/korvane_*.deb
mv "$work"/korvane_*.deb dist/
ls -l dist/korvane_*.deb
