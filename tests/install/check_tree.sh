# Checks an installed tree (a prefix, or usr/ of an unpacked package): every
# file in its place, the programs run from there, the program loads its panel
# resource from beside itself through the bin link, and the desktop entry and
# AppStream metainfo pass their validators where those are installed.
# Sourced by install_test.sh and package_test.sh; `fail` ends the test.

fail() { echo "FAIL: $*" >&2; exit 1; }

# A check that fails while the program runs, or while its resource is moved
# away, must not leave the program running or the installed tree broken for
# the next run: whatever ends the test ends the program first.
started_pid="" scratch="" resource=""
clean_up() {
  if [ -n "$started_pid" ]; then
    kill "$started_pid" 2>/dev/null || true
    wait "$started_pid" 2>/dev/null || true
    started_pid=""
  fi
  if [ -n "$resource" ] && [ -e "$scratch/uir" ]; then
    mv "$scratch/uir" "$resource"
  fi
  resource=""
  [ -z "$scratch" ] || rm -rf "$scratch"
  scratch=""
}
trap clean_up EXIT
trap 'exit 1' INT TERM HUP

check_tree() {
  local root="$1" f
  for f in bin/kbex-sensor-sim bin/kbexctl lib/kbex-tw-ms/kbex-tw-ms lib/kbex-tw-ms/K-BEX-TW-MS-DiredI304.uir \
           lib/kbex-tw-ms/zq.bmp share/applications/kbex-tw-ms.desktop \
           share/icons/hicolor/scalable/apps/kbex-tw-ms.svg share/icons/hicolor/256x256/apps/kbex-tw-ms.png \
           share/metainfo/example.halvaro.kbex_tw_ms.metainfo.xml share/man/man1/kbex-tw-ms.1.gz \
           share/man/man1/kbex-sensor-sim.1.gz share/man/man1/kbexctl.1.gz; do
    [ -s "$root/$f" ] || fail "missing $f"
  done
  for f in "$root"/share/man/man1/*.gz; do
    gzip -t "$f" || fail "$f is not a whole gzip file"
  done
  [ -L "$root/bin/kbex-tw-ms" ] || fail "bin/kbex-tw-ms is not a link"
  [ "$(readlink "$root/bin/kbex-tw-ms")" = ../lib/kbex-tw-ms/kbex-tw-ms ] || fail "bin/kbex-tw-ms points elsewhere"
  # PNG header: width and height, 4 bytes each, at bytes 16-23.
  [ "$(od -An -tx1 -j16 -N8 "$root/share/icons/hicolor/256x256/apps/kbex-tw-ms.png" | tr -d ' \n')" = \
    0000010000000100 ] || fail "the PNG icon is not 256 x 256"

  local program="$root/bin/kbex-tw-ms"
  "$program" --help | grep -q -- --version || fail "--help does not list --version"
  "$program" --version | grep -q "Version 3.04" || fail "--version does not say Version 3.04"
  "$root/bin/kbex-sensor-sim" --help | grep -q -- --unpaced || fail "kbex-sensor-sim --help"
  env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/kbexctl" --help | grep -q -- --verify || fail "kbexctl --help"
  # kbexctl runs where there is no display at all: no widgets, no GUI library.
  ! ldd "$root/bin/kbexctl" | grep -E -q 'libQt6(Widgets|Gui)' || fail "kbexctl links Qt Widgets or Gui"
  # Without a display Qt's options pass and a bad option is still refused;
  # with one, so is a Qt option that Qt leaves on its platform (-geometry is
  # X11's). timeout: a program that took either would run on.
  local rc args
  for args in "-style fusion --frobnicate" "-platform offscreen -geometry 9x9"; do
    rc=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$program" $args 2>/dev/null || rc=$?
    [ "$rc" -eq 2 ] || fail "kbex-tw-ms $args: exit $rc, not 2"
  done

  # Started from elsewhere, through the link: a program that cannot load its
  # resource ends at once, so one still running after three seconds found it.
  # Without the resource the same start must fail, or the check proves nothing.
  # Qt's options come among the program's, -platform standing for a display.
  # exec, so that the pid is the program's own and not that of a subshell
  # which would die alone and leave the program behind.
  scratch="$(mktemp -d)"
  (cd "$scratch" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" -platform offscreen \
    -style fusion -reverse --simulate >"$scratch/log" 2>&1) &
  started_pid=$!
  sleep 3
  kill -0 "$started_pid" 2>/dev/null ||
    { cat "$scratch/log" >&2; fail "the installed program did not keep running"; }
  kill "$started_pid"
  wait "$started_pid" 2>/dev/null || true
  started_pid=""
  resource="$root/lib/kbex-tw-ms/K-BEX-TW-MS-DiredI304.uir"
  mv "$resource" "$scratch/uir"
  rc=0
  (cd "$scratch" && QT_QPA_PLATFORM=offscreen exec timeout 10 "$program" --simulate >"$scratch/log" 2>&1) ||
    rc=$?
  clean_up
  [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ] || fail "the program ran without its resource (exit $rc)"

  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/share/applications/kbex-tw-ms.desktop" || fail "desktop entry"
  else
    echo "desktop-file-validate is not installed: desktop entry not validated"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/share/metainfo/example.halvaro.kbex_tw_ms.metainfo.xml" >/dev/null ||
      fail "AppStream metainfo"
  else
    echo "appstreamcli is not installed: metainfo not validated"
  fi
}
