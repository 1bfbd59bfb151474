#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh and checks it: lintian
# finds no error and no warning, it depends on the window's font and
# recommends Qt's translations, it holds exactly the files that
# `cmake --install --prefix /usr` lays out (configured as debian/rules does;
# debhelper gzips the manual pages and adds /usr/share/doc/korvane/), and
# its version is the CMake project's.
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

project=$(sed -n 's/^project(Korvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(dpkg-parsechangelog --show-field Version)
[ "$changelog" = "$project" ] || fail "debian/changelog has $changelog, CMakeLists.txt $project"
grep -q "<release version=\"$project\"" packaging/org.korvane.Korvane.metainfo.xml ||
    fail "the metainfo has no release $project"
echo "package $deb: $(wc -l <"$work/packaged") files, lintian clean, version $project"
