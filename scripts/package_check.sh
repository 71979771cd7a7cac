#!/usr/bin/env bash
# Checks the program as a desktop user gets it, from the existing build folder
# ($SORU_BUILD_DIR, default build): installs it into a scratch prefix and
# checks and validates the tree (program, desktop entry, icons, manual page,
# AppStream metainfo); builds the Debian package, checks its control fields
# and unpacks it into a scratch root; runs both copies (--version, then a
# screenshot of the demo library under a virtual X server) and checks the
# screenshots show a picture.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_BUILD_DIR:-build}"
APP_ID=org.soru_viewer.Soru
ICON_SIZES=(16 32 48 128 256)

tmp="$(mktemp -d /tmp/soru-package.XXXXXX)"
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() {
  echo "package: FAILED: $*" >&2
  exit 1
}

# Nothing is configured anew; only what the install needs is brought up to date.
cmake --build "$BUILD_DIR" --target soru soru_icons demo_library >/dev/null
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")"
[ -n "$version" ] || fail "no project version in $BUILD_DIR/CMakeCache.txt"

# check_tree ROOT: the installed files under ROOT (a prefix such as /usr).
check_tree() {
  local root="$1" f size
  [ -x "$root/bin/soru" ] || fail "$root/bin/soru missing or not executable"

  f="$root/share/applications/$APP_ID.desktop"
  [ -f "$f" ] || fail "$f missing"
  desktop-file-validate "$f" || fail "desktop-file-validate $f"
  for line in 'Exec=soru %f' 'MimeType=image/jpeg;image/bmp;inode/directory;' \
              'Categories=Graphics;Viewer;' "Icon=$APP_ID"; do
    grep -qxF "$line" "$f" || fail "$f lacks the line $line"
  done
  grep -q '^Name\[ja\]=' "$f" || fail "$f has no Japanese name"

  for size in "${ICON_SIZES[@]}"; do
    f="$root/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png"
    [ -f "$f" ] || fail "$f missing"
    [ "$(/usr/bin/identify -format '%wx%h' "$f")" = "${size}x${size}" ] || fail "$f is not ${size}x${size}"
  done

  f="$root/share/man/man1/soru.1"
  [ -f "$f" ] || fail "$f missing"
  local warnings
  warnings="$(groff -t -man -Tutf8 -ww -z "$f" 2>&1)"
  [ -z "$warnings" ] || fail "$f: $warnings"
  grep -q "soru $version" "$f" || fail "$f does not name version $version"

  f="$root/share/metainfo/$APP_ID.metainfo.xml"
  [ -f "$f" ] || fail "$f missing"
  appstreamcli validate --no-net "$f" >/dev/null || fail "appstreamcli validate $f"
  # The metainfo together with the desktop entry and the icons it names.
  appstreamcli validate-tree --no-net "$root" >/dev/null || fail "appstreamcli validate-tree $root"

  [ "$("$root/bin/soru" --version)" = "soru $version" ] || fail "$root/bin/soru --version"
}

echo "== package: cmake --install into a scratch prefix"
cmake --install "$BUILD_DIR" --prefix "$tmp/prefix" >/dev/null
check_tree "$tmp/prefix"
echo "package: install tree ok"

echo "== package: Debian package"
cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack -G DEB"; }
debs=("$tmp"/deb/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
deb="${debs[0]}"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = soru ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
depends="$(field Depends)"
# Computed from the program by dpkg-shlibdeps: the toolkit's and libjpeg's packages.
for want in 'libqt6core6' 'libqt6gui6' 'libqt6widgets6' 'libqt6multimedia6' 'libjpeg62-turbo'; do
  grep -qE "(^|, )$want( |,|$)" <<<"$depends" || fail "Depends lacks $want: $depends"
done
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "Maintainer or Description empty"
dpkg -x "$deb" "$tmp/root"
check_tree "$tmp/root/usr"
echo "package: $(basename "$deb") ok; Depends: $depends"

echo "== package: both copies show the demo library under Xvfb"
xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  set -e
  "$1" --screenshot "$2" "$5" >/dev/null
  "$3" --screenshot "$4" "$5" >/dev/null
' _ "$tmp/prefix/bin/soru" "$tmp/prefix.png" "$tmp/root/usr/bin/soru" "$tmp/deb.png" \
  "$(pwd)/$BUILD_DIR/demo-library"
for shot in "$tmp/prefix.png" "$tmp/deb.png"; do
  [ -s "$shot" ] || fail "no screenshot $shot"
  [ "$(/usr/bin/identify -format '%wx%h' "$shot")" = 1024x768 ] || fail "$shot is not 1024x768"
  # A picture on the screen, not an empty frame: the colours must vary.
  spread="$(/usr/bin/identify -format '%[fx:standard_deviation]' "$shot")"
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "$shot looks blank ($spread)"
done
diff_pixels="$(/usr/bin/compare -metric AE "$tmp/prefix.png" "$tmp/deb.png" null: 2>&1 || true)"
[ "$diff_pixels" = 0 ] || fail "the two copies drew different windows ($diff_pixels pixels differ)"
echo "package: installed and packaged program show the demo library (colour spread $spread)"
