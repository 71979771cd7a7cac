#!/usr/bin/env bash
# Checks the portable copy (target "portable") from the existing build folder
# ($SORU_BUILD_DIR, default build), as a user with a USB stick meets it:
#  1. On a minimal Debian 12 with only the desktop's client libraries (made
#     once with debootstrap and kept in the build folder as portable-root),
#     the bundle, copied beside the demo library onto a read-only medium and
#     started from its launcher without arguments, shows the same window as
#     the normal build started on that folder; it reads the toolkit's
#     Japanese texts and the fonts from the bundle and reports no failure.
#  2. On this machine, which has the toolkit installed, started through a
#     link and with an environment that points at the installed toolkit
#     (LD_LIBRARY_PATH, QT_PLUGIN_PATH), it loads every library it bundles
#     from the bundle and no library or plugin of the installed toolkit.
# Needs root: debootstrap, chroot and bind mounts.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=SORU_BUILD_DIR bash "$0" "$@"
fi
BUILD_DIR="${SORU_BUILD_DIR:-build}"
build="$(pwd)/$BUILD_DIR"
root="$build/portable-root"
# The desktop's client libraries the bundle expects (README, "Portable copy").
HOST_PACKAGES=(libx11-6 libx11-xcb1 libxcb1 libxkbcommon0 libxkbcommon-x11-0
               libfontconfig1 libfreetype6 libgl1 libegl1 libglib2.0-0 libdbus-1-3)
MEDIUM=/media/soru

fail() {
  echo "portable: FAILED: $*" >&2
  exit 1
}

# mounts_under DIR: the mount points below DIR, deepest first.
mounts_under() {
  awk -v d="$1/" 'index($2, d) == 1 { print $2 }' /proc/self/mounts | sort -r
}

tmp="$(mktemp -d /tmp/soru-portable.XXXXXX)"
xvfb_pid=
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$tmp" "$root/tmp/soru-check"
}
trap cleanup EXIT
bind() {
  mkdir -p "$2"
  mount --bind "$1" "$2"
  mounted+=("$2")
}

# Left over from a run that was killed: nothing may stay mounted in the root.
for m in $(mounts_under "$root"); do umount -l "$m"; done

echo "== portable: the minimal Debian 12 system"
want="${HOST_PACKAGES[*]}"
if [ "$(cat "$root/.soru-packages" 2>/dev/null)" != "$want" ]; then
  [ -z "$(mounts_under "$root")" ] || fail "$root still has mounts; not touching it"
  if [ ! -f "$root/.soru-debootstrap" ]; then
    rm -rf "$root"
    mirror="$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
    mirror="${mirror:-http://deb.debian.org/debian}"
    started=$SECONDS
    debootstrap --variant=minbase bookworm "$root" "$mirror" >"$build/portable-debootstrap.log" 2>&1 ||
      { tail -n 20 "$build/portable-debootstrap.log" >&2; fail "debootstrap (log: $build/portable-debootstrap.log)"; }
    touch "$root/.soru-debootstrap"
    echo "portable: debootstrap --variant=minbase bookworm from $mirror took $((SECONDS - started)) s"
  fi
  started=$SECONDS
  bind /proc "$root/proc"
  apt=(chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get -qq -o APT::Sandbox::User=root)
  { "${apt[@]}" update && "${apt[@]}" install -y --no-install-recommends "${HOST_PACKAGES[@]}" &&
    "${apt[@]}" clean; } >"$build/portable-apt.log" 2>&1 ||
    { tail -n 20 "$build/portable-apt.log" >&2; fail "apt-get install in $root (log: $build/portable-apt.log)"; }
  umount "$root/proc"
  unset 'mounted[-1]'
  echo "$want" >"$root/.soru-packages"
  echo "portable: installing ${HOST_PACKAGES[*]} took $((SECONDS - started)) s"
fi
# What the check relies on: no toolkit and no IPA font of the system's own.
[ -z "$(find "$root/usr" \( -name 'libQt6*' -o -name 'ipa*.ttf' \) -print -quit)" ] ||
  fail "$root has the toolkit or the IPA fonts installed"
echo "portable: $root ($(du -sh "$root" | cut -f1)): Debian 12 minbase with ${HOST_PACKAGES[*]}"

echo "== portable: the bundle"
started=$SECONDS
cmake --build "$BUILD_DIR" --target portable demo_library >"$tmp/build.log" 2>&1 ||
  { cat "$tmp/build.log" >&2; fail "cmake --build $BUILD_DIR --target portable"; }
bundle="$build/soru-portable"
[ -x "$bundle/soru" ] && [ -x "$bundle/.soru/soru" ] || fail "$bundle has no launcher or program"
echo "portable: $bundle made in $((SECONDS - started)) s, $(du -sh "$bundle" | cut -f1)"

started=$SECONDS
# The medium: the bundle beside the demo library's albums.
medium="$tmp/medium"
mkdir "$medium"
cp -a "$build/demo-library/." "$bundle/." "$medium/"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { cat "$tmp/xvfb.log" >&2; fail "Xvfb did not start"; }
display=":$(cat "$tmp/display")"

# The same settings for every run: no desktop session, a home of its own,
# the same locale and time zone (the status bar shows file dates).
mkdir -p -m 700 "$tmp/home" "$tmp/runtime"
clean_env=(env -i PATH=/usr/bin:/bin DISPLAY="$display" LANG=C.UTF-8 TZ=UTC0)
pixels_differing() { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1 || true; }
same() {
  local n
  n="$(pixels_differing "$1" "$2")"
  [ "$n" = 0 ] || fail "$3: $(basename "$1") and $(basename "$2") differ ($n pixels)"
}

"${clean_env[@]}" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" \
  "$build/app/soru" --screenshot "$tmp/build.png" "$medium" >/dev/null || fail "the normal build on $medium"
spread="$(/usr/bin/identify -format '%[fx:standard_deviation]' "$tmp/build.png")"
awk -v s="$spread" 'BEGIN { exit !(s > 0.05) }' || fail "the normal build's screenshot looks blank ($spread)"

echo "== portable: on the minimal system, from a read-only medium"
bind "$medium" "$root$MEDIUM"
mount -o remount,ro,bind "$root$MEDIUM"
touch "$root$MEDIUM/soru" 2>/dev/null && fail "the medium is writable"
bind /proc "$root/proc"
bind /dev "$root/dev"
bind /tmp/.X11-unix "$root/tmp/.X11-unix"
check="$root/tmp/soru-check"
rm -rf "$check"
mkdir -p -m 700 "$check/home" "$check/runtime"
# Traced from outside, so the files it opens are known.
strace -f -qq -e trace=openat -e signal=none -o "$tmp/trace" \
  chroot "$root" "${clean_env[@]}" HOME=/tmp/soru-check/home XDG_RUNTIME_DIR=/tmp/soru-check/runtime \
  "$MEDIUM/soru" --screenshot /tmp/soru-check/shot.png >"$tmp/chroot.out" 2>"$tmp/chroot.err" ||
  { cat "$tmp/chroot.err" >&2; fail "the bundle on the minimal system"; }
[ -s "$check/shot.png" ] || fail "no screenshot from the minimal system"
same "$tmp/build.png" "$check/shot.png" "the bundle on the minimal system against the normal build"
# A failure goes to standard error as "soru: ..." in screenshot mode.
! grep -q '^soru:' "$tmp/chroot.err" || { cat "$tmp/chroot.err" >&2; fail "the bundle reported a failure"; }
opened() { grep -v ENOENT "$tmp/trace" | grep -o "\"$1\"" | head -n 1; }
[ -n "$(opened "$MEDIUM/.soru/translations/qtbase_ja.qm")" ] || fail "the toolkit's Japanese texts were not read from the bundle"
[ -n "$(opened "$MEDIUM/.soru/fonts/ipagp.ttf")" ] || fail "the IPA fonts were not read from the bundle"
# No GStreamer there: the launcher takes the bundled one, so the sound
# back-end loads and the program runs (without a sound server, silently).
[ -n "$(opened "$MEDIUM/.soru/lib-gstreamer/libgstreamer-1.0.so.0")" ] ||
  fail "the bundled GStreamer was not used on a system without GStreamer"
echo "portable: the minimal system shows the same window as the normal build (Japanese texts, fonts and GStreamer from the bundle)"
for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}"; done
mounted=()

echo "== portable: on this machine with the toolkit installed, through a link"
ln -s "$medium/soru" "$tmp/soru-link"
"${clean_env[@]}" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/runtime" \
  LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu:/lib/x86_64-linux-gnu \
  QT_PLUGIN_PATH=/usr/lib/x86_64-linux-gnu/qt6/plugins \
  LD_DEBUG=files LD_DEBUG_OUTPUT="$tmp/ld" \
  "$tmp/soru-link" --screenshot "$tmp/host.png" >/dev/null &
# The portable launcher replaces itself with the program: one process id, one log
# (helpers the program starts, such as GStreamer's scanner, write their own).
pid=$!
wait "$pid" || fail "the bundle on this machine"
same "$tmp/build.png" "$tmp/host.png" "the bundle on this machine against the normal build"
# Every object the loader initialised: a bundled library must come from the
# bundle, and nothing of the installed toolkit may be among the others.
[ -s "$tmp/ld.$pid" ] || fail "no loader log of the program"
# Paths as the loader spelled them (a module's dependencies through its
# own folder: .soru/modules/../lib/...), cleaned, links left as they are.
loaded="$(sed -n 's/.*calling init: //p' "$tmp/ld.$pid" | xargs -r -d '\n' realpath -m -s | sort -u)"
grep -q "^$medium/.soru/lib/libQt6Core.so.6$" <<<"$loaded" || fail "the bundle's libQt6Core was not loaded"
grep -q "^$medium/.soru/plugins/platforms/libqxcb.so$" <<<"$loaded" || fail "the bundle's xcb plugin was not loaded"
while IFS= read -r path; do
  case "$path" in
    "$medium/.soru/"*) continue ;;
    */libQt6* | */qt6/*) fail "the installed toolkit's $path was loaded" ;;
  esac
  [ ! -e "$medium/.soru/lib/$(basename "$path")" ] || fail "$path was loaded instead of the bundle's copy"
done <<<"$loaded"
# This machine has GStreamer with its plugins: the launcher leaves it to the host.
grep -q '/libgstreamer-1\.0\.so\.0$' <<<"$loaded" || fail "GStreamer was not loaded"
! grep -q "^$medium/.soru/lib-gstreamer/" <<<"$loaded" || fail "the bundled GStreamer was used beside the host's"
echo "portable: $(grep -c "^$medium/.soru/" <<<"$loaded") objects from the bundle, $(grep -vc "^$medium/.soru/" <<<"$loaded") from the system, none of them bundled or the toolkit's"
echo "portable: ok in $((SECONDS - started)) s (bundle $(du -sh "$bundle" | cut -f1))"
