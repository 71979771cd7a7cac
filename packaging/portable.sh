#!/usr/bin/env bash
# Makes the portable copy of the program for a medium (USB stick, disc):
#
#   OUT/soru          the launcher (POSIX sh): the folder it sits in is the library
#   OUT/.soru/        hidden, so it is never taken for an album:
#     soru            the program, its RPATH pointing at lib/
#     qt.conf         the toolkit's plugins and texts inside the bundle
#     fonts.conf      the desktop's font configuration plus the bundled fonts
#     lib/            every library the program and its plugins need beyond
#                     the desktop's own (HOST_LIBS below)
#     lib-gstreamer/  GStreamer's libraries and the few plugins the sound needs,
#                     for a host without them (see the launcher)
#     modules/        the program's own modules (sound; HEIF and AVIF), loaded on first use
#     plugins/        the toolkit's plugins the program loads
#     translations/   the toolkit's Japanese texts
#     fonts/          the IPA fonts the windows are mapped to, with their licence
#     licences/       the copyright file of every package something came from
#
# The libraries are found by walking the NEEDED entries from the program and
# the plugins: a library on the host list is the desktop's and ends the walk;
# every other one is copied, and its own NEEDED entries are walked in turn.
# Every copied object gets DT_RPATH (not DT_RUNPATH): the dynamic loader
# searches it before LD_LIBRARY_PATH and for every library loaded below it, so
# the bundle's libraries win over an installed toolkit without changing the
# environment that programs started from SORU inherit.
#
# Usage: portable.sh PROGRAM OUT QT_PLUGIN_DIR QT_TRANSLATION_DIR SOURCE_DIR
set -euo pipefail

[ $# -eq 6 ] || { echo "usage: $0 PROGRAM OUT QT_PLUGIN_DIR QT_TRANSLATION_DIR SOURCE_DIR MODULE_DIR" >&2; exit 2; }
program="$1" out="$2" qt_plugins="$3" qt_translations="$4" source_dir="$5" modules="$6"

fail() {
  echo "portable: $*" >&2
  exit 1
}
for tool in patchelf readelf strip ldd fc-list; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/deps.sh installs it)"
done

# The desktop's libraries, by soname: taken from the host, never bundled.
HOST_LIBS=(
  # The C library and the dynamic loader; the C++ runtime comes with them,
  # since every system with this C library or newer has a C++ runtime at
  # least as new, and an older bundled one would break the host's GL drivers.
  'linux-vdso.so.*' 'ld-linux*.so.*' 'libc.so.*' 'libm.so.*' 'libmvec.so.*'
  'libpthread.so.*' 'libdl.so.*' 'librt.so.*' 'libresolv.so.*' 'libutil.so.*'
  'libanl.so.*' 'libnsl.so.*' 'libnss_*.so.*' 'libthread_db.so.*'
  'libstdc++.so.*' 'libgcc_s.so.*'
  # X11 and Wayland client libraries. Only the core of XCB: its extension and
  # utility libraries are bundled, so a minimal X11 system is enough.
  'libX11.so.*' 'libX11-xcb.so.*' 'libxcb.so.*'
  'libxkbcommon.so.*' 'libxkbcommon-x11.so.*'
  'libwayland-client.so.*' 'libwayland-cursor.so.*' 'libwayland-egl.so.*'
  # The GL stack belongs to the graphics driver.
  'libGL.so.*' 'libEGL.so.*' 'libGLX.so.*' 'libGLdispatch.so.*' 'libgbm.so.*' 'libdrm.so.*'
  # Fonts, GLib, D-Bus.
  'libfontconfig.so.*' 'libfreetype.so.*'
  'libglib-2.0.so.*' 'libgobject-2.0.so.*' 'libgio-2.0.so.*' 'libgmodule-2.0.so.*' 'libgthread-2.0.so.*'
  'libdbus-1.so.*'
)

# The toolkit's plugins the program loads: platforms, the X11 GL glue, the
# Wayland shell, decoration and EGL glue, the image formats the toolkit probes
# with, keyboard composition, and the sound back-end. No platform themes.
REQUIRED_PLUGINS=(
  platforms/libqxcb.so platforms/libqoffscreen.so platforms/libqwayland-generic.so
  multimedia/libgstreamermediaplugin.so
)
OPTIONAL_PLUGINS=(
  platforms/libqwayland-egl.so
  xcbglintegrations/libqxcb-glx-integration.so xcbglintegrations/libqxcb-egl-integration.so
  wayland-shell-integration/libxdg-shell.so
  wayland-decoration-client/libbradient.so
  wayland-graphics-integration-client/libqt-plugin-wayland-egl.so
  imageformats/libqgif.so imageformats/libqico.so imageformats/libqjpeg.so
  platforminputcontexts/libcomposeplatforminputcontextplugin.so
)

# The families the windows' fonts are mapped to (ui/widgets/app_style.cpp).
FONT_FAMILIES=(IPAGothic IPAPGothic IPAPMincho)

# GStreamer's libraries: the host's when it has them and the plugins the
# sound back-end creates elements from, since the host's other plugins match
# its own core (a core older than a plugin refuses it). Otherwise the launcher
# takes the bundled set below: the core and just those plugins, all of one
# version. The toolkit's sound back-end aborts the program when it cannot load,
# and crashes when those elements are missing.
GSTREAMER_LIBS='libgst*-1.0.so.*'
# The bundled set's plugins: element factories the back-end creates, playing
# WAV files, and the output to a PulseAudio (or PipeWire) server.
GSTREAMER_PLUGINS=(coreelements playback typefindfunctions app audioconvert audioresample
                   volume videoconvertscale autodetect wavparse pulseaudio)
# Wayland client libraries that GStreamer's GL library names and an X11-only
# host may lack: bundled beside the fallback GStreamer.
FALLBACK_ONLY_LIBS=('libwayland-egl.so.*' 'libwayland-cursor.so.*')

is_host_lib() {
  local pattern
  for pattern in "${HOST_LIBS[@]}"; do
    # shellcheck disable=SC2053
    [[ "$1" == $pattern ]] && return 0
  done
  return 1
}

is_fallback_only() {
  local pattern
  for pattern in "${FALLBACK_ONLY_LIBS[@]}"; do
    # shellcheck disable=SC2053
    [[ "$1" == $pattern ]] && return 0
  done
  return 1
}

needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }

bundle="$out/.soru"
rm -rf "$out"
mkdir -p "$bundle/lib" "$bundle/lib-gstreamer" "$bundle/plugins" "$bundle/translations" \
         "$bundle/fonts" "$bundle/licences" "$bundle/modules"

declare -A bundled=()    # soname -> original path, in lib/ or lib-gstreamer/
declare -A gstreamer=()  # GStreamer's own libraries -> original path
declare -A host=()       # host sonames the bundle names directly
sources=()               # every original file, for the licences
queue=()                 # original files still to walk

cp "$program" "$bundle/soru"
strip --strip-unneeded "$bundle/soru"
queue+=("$program")
sources+=("$(readlink -f "$program")")

add_plugin() {
  local rel="$1" src="$qt_plugins/$1"
  mkdir -p "$bundle/plugins/$(dirname "$rel")"
  cp "$src" "$bundle/plugins/$rel"
  queue+=("$src")
  sources+=("$(readlink -f "$src")")
}
# The program's own modules, loaded on first use from modules/ beside it.
for src in "$modules"/libsoru_*.so; do
  [ -f "$src" ] || fail "no modules in $modules"
  cp "$src" "$bundle/modules/"
  strip --strip-unneeded "$bundle/modules/$(basename "$src")"
  queue+=("$src")
  sources+=("$(readlink -f "$src")")
done
for rel in "${REQUIRED_PLUGINS[@]}"; do
  [ -f "$qt_plugins/$rel" ] || fail "the toolkit's plugin $qt_plugins/$rel is missing"
  add_plugin "$rel"
done
for rel in "${OPTIONAL_PLUGINS[@]}"; do
  [ ! -f "$qt_plugins/$rel" ] || add_plugin "$rel"
done

# Where the loader finds each library the given files need (ldd lists the
# whole closure, so once per starting point is enough; it also follows
# private search paths such as libpulse's).
declare -A location=()
locate() {
  local soname arrow path rest
  while read -r soname arrow path rest; do
    if [ "$arrow" = "=>" ] && [ -z "${location[$soname]:-}" ]; then
      location["$soname"]="$path"
    fi
  done < <(for f in "$@"; do ldd "$f"; done)
}
locate "${queue[@]}"

# walk DEST: copies into DEST every library the files in the queue need that
# is neither the host's nor bundled already, and walks it in turn. The walk
# into lib/ stops at GStreamer and keeps its libraries aside.
walk() {
  local dest="$1" original soname path
  while [ ${#queue[@]} -gt 0 ]; do
    original="${queue[0]}"
    queue=("${queue[@]:1}")
    for soname in $(needed "$original"); do
      [ -z "${bundled[$soname]:-}" ] || continue
      path="${location[$soname]:-}"
      # shellcheck disable=SC2053
      if [ "$dest" = lib ] && [[ "$soname" == $GSTREAMER_LIBS ]]; then
        gstreamer["$soname"]="$path"
        continue
      fi
      if is_host_lib "$soname" && ! { [ "$dest" = lib-gstreamer ] && is_fallback_only "$soname"; }; then
        [ "$dest" = lib-gstreamer ] || host["$soname"]=1
        continue
      fi
      [ -n "$path" ] && [ -f "$path" ] || fail "$soname, needed by $original, not found"
      bundled["$soname"]="$path"
      cp -L "$path" "$bundle/$dest/$soname"
      chmod 644 "$bundle/$dest/$soname"
      queue+=("$path")
      sources+=("$(readlink -f "$path")")
    done
  done
}
walk lib
# GStreamer's set, with what only it needs: used by the launcher only when
# the host lacks GStreamer or one of those plugins.
for soname in "${!gstreamer[@]}"; do
  path="${gstreamer[$soname]}"
  [ -n "$path" ] && [ -f "$path" ] || fail "$soname not found"
  bundled["$soname"]="$path"
  cp -L "$path" "$bundle/lib-gstreamer/$soname"
  chmod 644 "$bundle/lib-gstreamer/$soname"
  queue+=("$path")
  sources+=("$(readlink -f "$path")")
done
gst_plugins="$(dirname "${gstreamer[libgstreamer-1.0.so.0]}")/gstreamer-1.0"
mkdir "$bundle/lib-gstreamer/plugins"
for name in "${GSTREAMER_PLUGINS[@]}"; do
  src="$gst_plugins/libgst$name.so"
  [ -f "$src" ] || fail "GStreamer's plugin $src is missing (gstreamer1.0-plugins-base, -good)"
  cp "$src" "$bundle/lib-gstreamer/plugins/"
  queue+=("$src")
  sources+=("$(readlink -f "$src")")
done
locate "${queue[@]}"
walk lib-gstreamer

# DT_RPATH everywhere, relative to each object's own folder.
patchelf --force-rpath --set-rpath '$ORIGIN/lib' "$bundle/soru"
for module in "$bundle"/modules/*.so; do
  patchelf --force-rpath --set-rpath '$ORIGIN/../lib' "$module"
done
for lib in "$bundle"/lib/*; do
  patchelf --force-rpath --set-rpath '$ORIGIN' "$lib"
done
for lib in "$bundle"/lib-gstreamer/*.so*; do
  patchelf --force-rpath --set-rpath '$ORIGIN:$ORIGIN/../lib' "$lib"
done
for plugin in "$bundle"/lib-gstreamer/plugins/*.so; do
  patchelf --force-rpath --set-rpath '$ORIGIN/..:$ORIGIN/../../lib' "$plugin"
done
while IFS= read -r plugin; do
  patchelf --force-rpath --set-rpath '$ORIGIN/../../lib' "$plugin"
done < <(find "$bundle/plugins" -name '*.so')

# The toolkit reads qt.conf from the program's own folder; relative paths
# are taken from that folder.
cat >"$bundle/qt.conf" <<'EOF'
[Paths]
Prefix = .
Libraries = lib
Plugins = plugins
Translations = translations
EOF

[ -f "$qt_translations/qtbase_ja.qm" ] || fail "$qt_translations/qtbase_ja.qm is missing (qt6-translations-l10n)"
cp "$qt_translations/qtbase_ja.qm" "$bundle/translations/"
sources+=("$(readlink -f "$qt_translations/qtbase_ja.qm")")

# The fonts, unchanged and under their own names, as their licence requires,
# with the licence beside them.
for family in "${FONT_FAMILIES[@]}"; do
  file="$(fc-list -f '%{file}\n' ":family=$family" | head -n 1)"
  [ -n "$file" ] || fail "no font of the family $family (fonts-ipafont-gothic, fonts-ipafont-mincho)"
  cp "$file" "$bundle/fonts/"
  sources+=("$(readlink -f "$file")")
done
for doc in /usr/share/doc/fonts-ipafont-*/Readme_IPAfont*.txt; do
  [ ! -f "$doc" ] || cp "$doc" "$bundle/fonts/"
done
licence="$(ls /usr/share/doc/fonts-ipafont-gothic/copyright /usr/share/doc/fonts-ipafont-mincho/copyright 2>/dev/null | head -n 1)"
[ -n "$licence" ] || fail "the IPA fonts' licence is missing from /usr/share/doc/fonts-ipafont-*/"
cp "$licence" "$bundle/fonts/IPA_Font_License_Agreement_v1.0.txt"

# fontconfig reads this file instead of the desktop's (FONTCONFIG_FILE, set by
# the launcher): the desktop's configuration, when there is one, and the
# bundle's font folder, named relative to this file.
cat >"$bundle/fonts.conf" <<'EOF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir prefix="relative">fonts</dir>
  <cachedir prefix="xdg">fontconfig</cachedir>
</fontconfig>
EOF

# The copyright file of every Debian package a bundled file comes from. The
# package database may list a file under /lib or /usr/lib (merged /usr).
cp "$source_dir/packaging/copyright" "$bundle/licences/soru"
if command -v dpkg-query >/dev/null; then
  candidates=()
  for f in "${sources[@]}"; do
    [ "$f" != "$(readlink -f "$program")" ] || continue
    candidates+=("$f")
    case "$f" in
      /usr/lib/*) candidates+=("${f#/usr}") ;;
      /lib/*) candidates+=("/usr$f") ;;
    esac
  done
  while IFS= read -r pkg; do
    doc="/usr/share/doc/$pkg/copyright"
    [ ! -f "$doc" ] || cp "$doc" "$bundle/licences/$pkg"
  done < <(dpkg-query -S "${candidates[@]}" 2>/dev/null | sed -n 's/^\([^:,]*\)[:,].*/\1/p' | sort -u)
fi

cp "$source_dir/packaging/portable-launcher.sh" "$out/soru"
chmod 755 "$out/soru" "$bundle/soru"

echo "portable: $out: ${#bundled[@]} libraries bundled (GStreamer's $(ls "$bundle/lib-gstreamer" | grep -c '^libgst') and ${#GSTREAMER_PLUGINS[@]} plugins used only without the host's); from the host: $(printf '%s\n' "${!host[@]}" | sort | tr '\n' ' ')"
