#!/usr/bin/env bash
# Builds the Debian package with CPack, unpacks it into a temporary root and
# runs the checks of check_tree.sh on its usr/; prints the dependencies CPack
# computed from the linked shared libraries. Skipped (77) without dpkg tools.
# Usage: package_test.sh BUILD_DIR WORK_DIR CPACK
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/check_tree.sh"
build="$1" work="$2" cpack="$3"
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed (Debian package dpkg-dev)"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work"
(cd "$build" && "$cpack" -G DEB -B "$work/pkg" >"$work/cpack.log") || { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=("$work"/pkg/kbex-tw-ms_*.deb)
[ -f "${deb[0]}" ] || fail "no package in $work/pkg"
depends="$(dpkg-deb -f "${deb[0]}" Depends)"
echo "Depends: $depends"
for lib in libc6 libqt6widgets6 libqcustomplot; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done
for field in Maintainer Description; do
  [ -n "$(dpkg-deb -f "${deb[0]}" "$field")" ] || fail "no $field"
done
# Debian's own checker: errors are what would keep the package out of an
# archive (a bad description, a missing changelog, uncompressed manuals).
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "${deb[0]}" >"$work/lintian.log" 2>&1 || true
  ! grep '^E:' "$work/lintian.log" || fail "lintian reports errors"
else
  echo "lintian is not installed: the package's Debian checks are skipped"
fi
dpkg-deb -x "${deb[0]}" "$work/root"
[ -s "$work/root/usr/share/doc/kbex-tw-ms/changelog.gz" ] || fail "no changelog"
grep -q "GPL-3.0-or-later" "$work/root/usr/share/doc/kbex-tw-ms/copyright" || fail "no licence"
check_tree "$work/root/usr"
echo "package ${deb[0]##*/} passes"
