#!/usr/bin/env bash
# Checks the program as a desktop user gets it, from the existing build folder
# ($SORU_BUILD_DIR, default build): installs it into a staging tree (DESTDIR)
# and checks and validates the tree (program, desktop entry, icons, the
# Japanese and the English manual page, copyright and changelog, AppStream
# metainfo); builds the Debian package, checks its control fields, runs
# lintian on it (any error fails) and unpacks it into a scratch root; then,
# under a virtual X server, runs both copies on the demo library and checks
# their screenshots show a picture, and checks which library each copy takes
# without an argument: an installed copy (its desktop entry beside its bin
# folder: the staging tree, the unpacked package, an install into ~/.local)
# the user's pictures folder, else the home folder; a copy placed beside
# albums, its own folder.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${SORU_BUILD_DIR:-build}"
APP_ID=org.soru_viewer.Soru
ICON_SIZES=(16 32 48 128 256)

tmp="$(mktemp -d /tmp/soru-package.XXXXXX)"
xvfb_pid=
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR="$tmp/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() {
  echo "package: FAILED: $*" >&2
  exit 1
}

# Nothing is configured anew; only what the install needs is brought up to date.
cmake --build "$BUILD_DIR" --target soru soru_icons soru_docs demo_library >/dev/null
cache() { sed -n "s/^$1:[A-Z]*=//p" "$BUILD_DIR/CMakeCache.txt"; }
version="$(cache CMAKE_PROJECT_VERSION)"
[ -n "$version" ] || fail "no project version in $BUILD_DIR/CMakeCache.txt"
prefix="$(cache CMAKE_INSTALL_PREFIX)"
bindir="$(cache CMAKE_INSTALL_BINDIR)"
[[ "$bindir" = /* ]] || bindir="$prefix/$bindir"

# check_manual_page FILE: groff (with preconv reading the page's encoding)
# and man as lintian runs it, at 80 and lintian's 120 columns, warn about
# nothing, and the page names this version.
check_manual_page() {
  local f="$1" warnings width
  warnings="$(gzip -dc "$f" | groff -t -k -man -Tutf8 -ww -z 2>&1)"
  for width in 80 120; do
    warnings+="$(env -i PATH="$PATH" LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH="$width" \
                   man --warnings -E UTF-8 -l -Tutf8 -Z "$f" 2>&1 >/dev/null)"
  done
  [ -z "$warnings" ] || fail "$f: $warnings"
  gzip -dc "$f" | grep -q "soru $version" || fail "$f does not name version $version"
}

# render_manual_page FILE: the page as man shows it, as plain UTF-8 text.
render_manual_page() {
  env -i PATH="$PATH" LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$1" 2>/dev/null | LC_ALL=C.UTF-8 col -b
}

# check_tree ROOT: the installed files under ROOT (a prefix such as /usr).
check_tree() {
  local root="$1" f size
  [ -x "$root/bin/soru" ] || fail "$root/bin/soru missing or not executable"
  # The modules the program loads on first use, where it looks for them.
  local module
  for module in soru_program soru_sound soru_heif; do
    f="$(find "$root/lib" -path "*/soru/modules/lib$module.so" 2>/dev/null | head -n 1)"
    [ -n "$f" ] || fail "lib$module.so missing under $root/lib/.../soru/modules"
    ! ldd "$f" | grep -q 'not found' || fail "$f: $(ldd "$f" | grep 'not found')"
  done

  f="$root/share/applications/$APP_ID.desktop"
  [ -f "$f" ] || fail "$f missing"
  desktop-file-validate "$f" || fail "desktop-file-validate $f"
  for line in 'Exec=soru %f' 'MimeType=image/jpeg;image/bmp;image/png;image/webp;image/heic;image/heif;image/avif;inode/directory;' \
              'Categories=Graphics;Viewer;' "Icon=$APP_ID"; do
    grep -qxF "$line" "$f" || fail "$f lacks the line $line"
  done
  grep -q '^Name\[ja\]=' "$f" || fail "$f has no Japanese name"

  for size in "${ICON_SIZES[@]}"; do
    f="$root/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png"
    [ -f "$f" ] || fail "$f missing"
    [ "$(/usr/bin/identify -format '%wx%h' "$f")" = "${size}x${size}" ] || fail "$f is not ${size}x${size}"
  done

  # The manual pages, Japanese (the main one, which man shows under C, ja and
  # any language without a page of its own) and English (en), and the
  # changelog, compressed as Debian does (gzip -9n: recompressing the text
  # that way gives the same bytes).
  local man_ja="$root/share/man/man1/soru.1.gz" man_en="$root/share/man/en/man1/soru.1.gz"
  for f in "$man_ja" "$man_en" "$root/share/doc/soru/changelog.gz"; do
    [ -f "$f" ] || fail "$f missing"
    gzip -dc "$f" | gzip -9n | cmp -s - "$f" || fail "$f is not compressed with gzip -9n"
  done
  for f in "$man_ja" "$man_en"; do
    check_manual_page "$f"
  done
  # Each in its own language, read as UTF-8 (no mojibake).
  grep -qF 'soru - 全画面の写真アルバムビューア' <<<"$(render_manual_page "$man_ja")" ||
    fail "$man_ja does not render its Japanese name line"
  grep -qF 'soru - full-screen photo-album viewer' <<<"$(render_manual_page "$man_en")" ||
    fail "$man_en does not render its English name line"
  # man takes the English page for English, the main one for Japanese and C.
  local lang want
  for lang in en ja C; do
    want="$man_ja"
    [ "$lang" != en ] || want="$man_en"
    [ "$(env -i PATH="$PATH" MANPATH="$root/share/man" man -L "$lang" -w soru 2>&1)" = "$want" ] ||
      fail "man -L $lang finds $(env -i PATH="$PATH" MANPATH="$root/share/man" man -L "$lang" -w soru 2>&1), not $want"
  done
  f="$root/share/doc/soru/changelog.gz"
  gzip -dc "$f" | head -n 1 | grep -qF "soru ($version)" || fail "$f does not start with version $version"
  f="$root/share/doc/soru/copyright"
  [ -s "$f" ] || fail "$f missing"
  # The MIT licence, in Debian's machine-readable format.
  grep -qx 'License: Expat' "$f" || fail "$f does not give the MIT (Expat) licence"
  grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$f" ||
    fail "$f is not in the machine-readable format"

  f="$root/share/metainfo/$APP_ID.metainfo.xml"
  [ -f "$f" ] || fail "$f missing"
  appstreamcli validate --no-net "$f" >/dev/null || fail "appstreamcli validate $f"
  grep -q '<project_license>MIT</project_license>' "$f" || fail "$f names no MIT project licence"
  # The metainfo together with the desktop entry and the icons it names.
  appstreamcli validate-tree --no-net "$root" >/dev/null || fail "appstreamcli validate-tree $root"

  [ "$("$root/bin/soru" --version)" = "soru $version" ] || fail "$root/bin/soru --version"
}

echo "== package: cmake --install into a staging tree (DESTDIR)"
stage="$tmp/stage"
DESTDIR="$stage" cmake --install "$BUILD_DIR" >/dev/null
check_tree "$stage$prefix"
echo "package: install tree for $prefix ok"

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
# Debian's own checker: errors fail, warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$tmp/lintian.log" 2>&1 ||
  { cat "$tmp/lintian.log" >&2; fail "lintian reports errors on $(basename "$deb")"; }
sed 's/^/lintian: /' "$tmp/lintian.log"
dpkg -x "$deb" "$tmp/root"
check_tree "$tmp/root/usr"
echo "package: $(basename "$deb") ok; Depends: $depends"

# A virtual X server for the screenshots, on a free display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=":$(cat "$tmp/display")"

# shot PNG HOME COMMAND...: the window of COMMAND after start-up, with HOME as
# the user's home (and its .config as the configuration folder).
shot() {
  local png="$1" home="$2"; shift 2
  (unset XDG_CONFIG_HOME; export HOME="$home"; "$@" --screenshot "$png") >/dev/null || fail "$* --screenshot $png"
  [ -s "$png" ] || fail "no screenshot $png"
}
# same A B WHAT / differ A B WHAT: two screenshots have the same pixels, or
# both are readable and some of their pixels differ.
pixels_differing() { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true; }
same() { [ "$(pixels_differing "$1" "$2")" = 0 ] || fail "$3: $(basename "$1") and $(basename "$2") differ"; }
differ() {
  local n
  n="$(pixels_differing "$1" "$2")"
  [[ "$n" =~ ^[0-9.e+]+$ && "$n" != 0 ]] || fail "$3: $(basename "$1") and $(basename "$2") are the same ($n)"
}

echo "== package: both copies show the demo library"
demo="$(pwd)/$BUILD_DIR/demo-library"
shot "$tmp/prefix.png" "$tmp" "$stage$bindir/soru" "$demo"
shot "$tmp/deb.png" "$tmp" "$tmp/root/usr/bin/soru" "$demo"
for png in "$tmp/prefix.png" "$tmp/deb.png"; do
  [ "$(/usr/bin/identify -format '%wx%h' "$png")" = 1024x768 ] || fail "$png is not 1024x768"
  # A picture on the screen, not an empty frame: the colours must vary.
  spread="$(/usr/bin/identify -format '%[fx:standard_deviation]' "$png")"
  awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "$png looks blank ($spread)"
done
same "$tmp/prefix.png" "$tmp/deb.png" "the installed and the packaged program"
echo "package: installed and packaged program show the demo library (colour spread $spread)"

echo "== package: the modules load from where each copy is installed"
# A HEIC picture (drawn by the HEIF module) with a sound beside it (played
# through the sound module): each copy shows its colour and says nothing of
# a module it cannot load.
mkdir -p "$tmp/modules-album"
/usr/bin/convert -size 320x240 'xc:rgb(40,170,90)' "PNG24:$tmp/modules-album/a.png"
heif-enc -q 90 "$tmp/modules-album/a.png" -o "$tmp/modules-album/a.heic" >/dev/null
rm "$tmp/modules-album/a.png"
sox -n -r 22050 -c 1 "$tmp/modules-album/a.wav" synth 0.2 sine 440
for copy in "$stage$bindir/soru" "$tmp/root/usr/bin/soru"; do
  shot "$tmp/module.png" "$tmp" "$copy" "$tmp/modules-album" 2>"$tmp/module.err"
  ! grep -q 'soru:' "$tmp/module.err" || fail "$copy: $(cat "$tmp/module.err")"
  pixel="$(/usr/bin/convert "$tmp/module.png" -format '%[fx:int(255*p{512,384}.r)],%[fx:int(255*p{512,384}.g)],%[fx:int(255*p{512,384}.b)]' info:)"
  awk -F, -v p="$pixel" 'BEGIN { split(p, c, ","); exit !(c[1] < 70 && c[2] > 140 && c[3] < 120) }' ||
    fail "$copy does not show the HEIC picture (middle pixel $pixel)"
done
echo "package: both copies show a HEIC picture and play its sound through their modules"

echo "== package: the library without an argument"
# A home whose pictures folder, named in user-dirs.dirs, holds an album and a
# picture, beside an empty ~/Pictures; a home without a pictures folder; a
# folder on a medium with a copy of the program beside the albums.
home="$tmp/home" bare="$tmp/bare-home" medium="$tmp/medium"
mkdir -p "$home/.config" "$home/Pictures" "$home/写真" "$bare" "$medium"
printf 'XDG_PICTURES_DIR="$HOME/写真"\n' >"$home/.config/user-dirs.dirs"
cp -r "$demo/花" "$demo/夕焼け.jpg" "$home/写真/"
cp -r "$demo/空と海" "$demo/ようこそ.jpg" "$bare/"
cp -r "$demo/旅行の写真" "$demo/モザイク.bmp" "$medium/"
cp "$stage$bindir/soru" "$medium/soru"

# A user's own install, as `cmake --install build --prefix ~/.local` makes it.
user_prefix="$home/.local"
cmake --install "$BUILD_DIR" --prefix "$user_prefix" >/dev/null
check_tree "$user_prefix"

# The expected windows: each copy given its library explicitly.
shot "$tmp/want-pictures.png" "$home" "$stage$bindir/soru" "$home/写真"
shot "$tmp/want-home.png" "$bare" "$stage$bindir/soru" "$bare"
shot "$tmp/want-medium.png" "$home" "$medium/soru" "$medium"
# They are three different windows, so a copy that takes the wrong library shows.
wants=(pictures home medium)
for a in "${wants[@]}"; do
  for b in "${wants[@]}"; do
    if [[ "$a" < "$b" ]]; then differ "$tmp/want-$a.png" "$tmp/want-$b.png" "the test libraries"; fi
  done
done

# An installed copy is known by its desktop entry beside its bin folder,
# wherever the tree lies: the staging tree, the unpacked package and a
# user's ~/.local are all installs.
shot "$tmp/installed.png" "$home" "$stage$bindir/soru"
same "$tmp/installed.png" "$tmp/want-pictures.png" "installed (staging tree of $prefix), no argument"
shot "$tmp/installed-bare.png" "$bare" "$stage$bindir/soru"
same "$tmp/installed-bare.png" "$tmp/want-home.png" "installed, no pictures folder"
shot "$tmp/packaged.png" "$home" "$tmp/root/usr/bin/soru"
same "$tmp/packaged.png" "$tmp/want-pictures.png" "packaged in /usr/bin, no argument"
shot "$tmp/user-prefix.png" "$home" "$user_prefix/bin/soru"
same "$tmp/user-prefix.png" "$tmp/want-pictures.png" "installed with --prefix ~/.local, no argument"
shot "$tmp/medium.png" "$home" "$medium/soru"
same "$tmp/medium.png" "$tmp/want-medium.png" "copy beside the albums, no argument"
echo "package: without an argument, installed copies show the pictures folder (else home), other copies their own folder"
