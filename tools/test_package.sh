#!/bin/sh
# Builds the Debian package from a copy of this tree, unpacks it into a fresh
# folder and checks that the installed applet answers -v and -h.
#
# Needs the packaging tools besides the build dependencies:
#   apt-get install debhelper dpkg-dev fakeroot lintian
# and runs lintian on the result when it is installed.
#
#   OUT=dir   also copy the built .deb into dir
#   KEEP=1    keep the temporary folder and print its name
#   JOBS=n    parallel build jobs (default 2)
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
version_line='Orvane v.1.0 10 dec 2026 <orvane-dev@users.sourceforge.net>'

fail() {
    echo "test_package: FAIL: $*" >&2
    exit 1
}

for tool in dpkg-buildpackage dpkg-deb dh; do
    command -v "$tool" >/dev/null 2>&1 ||
        fail "$tool is missing (apt-get install debhelper dpkg-dev fakeroot)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-package.XXXXXX")
if [ "${KEEP:-0}" = 1 ]; then
    trap 'echo "test_package: kept $work"' EXIT
else
    trap 'rm -rf "$work"' EXIT
fi

# A copy of the tree without build folders or git data, so that the package
# build leaves nothing behind in the checkout.
mkdir "$work/src"
(cd "$here" && tar --exclude='./build*' --exclude='./.git' --exclude='./obj-*' \
    --exclude='./debian/orvane' --exclude='./debian/.debhelper' -cf - .) |
    (cd "$work/src" && tar -xf -)

echo "test_package: building the package in $work"
(cd "$work/src" &&
    DEB_BUILD_OPTIONS="parallel=${JOBS:-2}${DEB_BUILD_OPTIONS:+ $DEB_BUILD_OPTIONS}" \
        dpkg-buildpackage -us -uc -b) >"$work/build.log" 2>&1 || {
    tail -n 40 "$work/build.log" >&2
    fail "dpkg-buildpackage failed (log above)"
}

deb=$(ls "$work"/orvane_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no orvane .deb was built"
echo "test_package: built $(basename "$deb")"
dpkg-deb --info "$deb" | sed -n 's/^ *\(Depends:.*\)/test_package: \1/p'
dpkg-deb --field "$deb" Depends | grep -q 'libwraster' ||
    fail "the package does not depend on libwraster"

root="$work/root"
dpkg -x "$deb" "$root"
bin="$root/usr/bin/orvane"
man="$root/usr/share/man/man1/orvane.1.gz"
[ -x "$bin" ] || fail "usr/bin/orvane is not in the package"
[ -f "$man" ] || fail "usr/share/man/man1/orvane.1.gz is not in the package"

# The installed manual page renders without warnings.
if command -v groff >/dev/null 2>&1; then
    warnings=$(gzip -dc "$man" | groff -man -Tutf8 -ww -z 2>&1) || true
    [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
fi

# -v: the version line alone, status 0.
out=$("$bin" -v) || fail "orvane -v exited with status $?"
[ "$out" = "$version_line" ] || fail "orvane -v printed: $out"

# -h: the version line, an empty line and 27 lines whose colon is the 21st
# character, status 0.
"$bin" -h >"$work/help.txt" || fail "orvane -h exited with status $?"
[ "$(sed -n 1p "$work/help.txt")" = "$version_line" ] || fail "orvane -h: first line is not the version line"
[ -z "$(sed -n 2p "$work/help.txt")" ] || fail "orvane -h: second line is not empty"
lines=$(wc -l <"$work/help.txt")
[ "$lines" -eq 29 ] || fail "orvane -h printed $lines lines, not 29"
bad=$(sed -n '3,$p' "$work/help.txt" | awk 'substr($0, 21, 1) != ":"' | head -n 1)
[ -z "$bad" ] || fail "orvane -h: a help line has no colon at column 21: $bad"
grep -q '^right button        : access to a few screens of parameters$' "$work/help.txt" ||
    fail "orvane -h: the last help line is missing"

if command -v lintian >/dev/null 2>&1; then
    echo "test_package: lintian:"
    lintian --fail-on error --info "$deb" || fail "lintian reports errors"
else
    echo "test_package: lintian is not installed, skipped"
fi

if [ -n "${OUT:-}" ]; then
    mkdir -p "$OUT"
    cp "$deb" "$OUT"/
    echo "test_package: copied $(basename "$deb") to $OUT"
fi
echo "test_package: PASS"
