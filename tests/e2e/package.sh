#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh and checks it: lintian
# finds no error and no warning, it depends on the window's font and
# recommends Qt's translations, it holds exactly the files that
# `cmake --install --prefix /usr` lays out (configured as debian/rules does;
# debhelper gzips the manual pages and adds /usr/share/doc/korvane/), and
# its version is the CMake project's. Installed, it makes Korvane the default
# program for its own puzzle file type and for no other, as xdg-mime sees it.
# Usage: package.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

bash scripts/package.sh >"$work/package.log" 2>&1 || { tail -n 40 "$work/package.log"; fail "scripts/package.sh"; }
deb=$(echo dist/korvane_*.deb)

echo "== lintian $deb =="
status=0
report=$(lintian --fail-on error,warning --info --display-info --pedantic "$deb" 2>&1) || status=$?
echo "$report"
if [ "$status" -ne 0 ] || grep -qE '^[EW]: ' <<<"$report"; then
    fail "lintian reports errors or warnings (exit status $status)"
fi

# One package name among a relation field's comma-separated entries.
relation_has() {
    dpkg-deb --field "$deb" "$1" | tr ',' '\n' | awk '{print $1}' | grep -qx "$2" ||
        fail "$1 lacks $2: $(dpkg-deb --field "$deb" "$1")"
}
relation_has Depends fonts-noto-cjk
relation_has Recommends qt6-translations-l10n

cmake -S . -B "$work/build" -G Ninja -DBUILD_TESTING=OFF -DKORVANE_BENCH=OFF \
    -DCMAKE_INSTALL_BINDIR=games >/dev/null
cmake --build "$work/build" --target korvane >/dev/null
DESTDIR="$work/root" cmake --install "$work/build" --prefix /usr >/dev/null
(cd "$work/root" && find . ! -type d) | sed 's|^\.||; s|^/usr/share/man/.*|&.gz|' | sort >"$work/installed"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\.||' |
    grep -v '^/usr/share/doc/korvane/' | sort >"$work/packaged"
diff -u "$work/installed" "$work/packaged" || fail "the package's files differ from cmake --install's"

# The package unpacked into a root of its own, with the MIME and launcher
# caches that the triggers of shared-mime-info and desktop-file-utils build on
# an install. xdg-mime looks there first, then in the system's /usr/share, and
# takes its generic way (the shared MIME database through `mimetype` of
# libfile-mimeinfo-perl, launchers through mimeinfo.cache), with no user's,
# desktop's or system's preferences in between.
root=$work/unpacked
dpkg-deb --extract "$deb" "$root"
data_dirs=$root/usr/share:/usr/share
errors=$(XDG_DATA_DIRS=$data_dirs update-mime-database "$root/usr/share/mime" 2>&1)
[ -z "$errors" ] || fail "update-mime-database: $errors"
update-desktop-database "$root/usr/share/applications"
home=$work/home
mkdir -p "$home/config" "$home/data" "$home/config-dirs"
xdg_query() {
    env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
        XDG_CONFIG_DIRS="$home/config-dirs" XDG_DATA_DIRS="$data_dirs" XDG_CURRENT_DESKTOP=X-Generic \
        xdg-mime query "$@"
}
printf '%s\n' ..5..61.. 7...5.9.. ...2.76.. ...8.3.2. .9...2.1. ..876..9. 5........ 1..68...7 ...1...5. \
    >"$home/puzzle.sdk"
cp samples/mondai.txt "$home/mondai.txt"
for file in puzzle.sdk mondai.txt; do
    type=$(xdg_query filetype "$home/$file") || fail "xdg-mime query filetype $file"
    [ "$type" = text/x-korvane-puzzle ] || fail "xdg-mime takes $file for $type"
done
# Any other .txt stays text/plain. That is asked of the package's database
# alone: beside the system's, xdg-mime's reader settles the tie of two *.txt
# for the system, where GLib's would take the package's.
cp "$home/puzzle.sdk" "$home/puzzle.txt"
type=$(data_dirs=$root/usr/share xdg_query filetype "$home/puzzle.txt") ||
    fail "xdg-mime query filetype puzzle.txt"
[ "$type" = text/plain ] || fail "the package's file type takes every .txt ($type)"
default=$(xdg_query default text/x-korvane-puzzle) || fail "xdg-mime query default"
[ "$default" = org.korvane.Korvane.desktop ] || fail "the puzzle type opens in '$default', not in Korvane"
default=$(xdg_query default text/plain)
if grep -qi korvane <<<"$default"; then
    fail "installing Korvane makes it the default for text/plain"
fi

project=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog --show-field Version)
[ "$changelog" = "$project" ] || fail "debian/changelog has $changelog, CMakeLists.txt $project"
grep -q "<release version=\"$project\"" packaging/org.korvane.Korvane.metainfo.xml ||
    fail "the metainfo has no release $project"
echo "package $deb: $(wc -l <"$work/packaged") files, lintian clean, version $project, own file type only"
