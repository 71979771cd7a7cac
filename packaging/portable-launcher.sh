#!/bin/sh
# Starts SORU from a medium. The folder this launcher is in is the library
# (its sub-folders are the albums) unless a folder or picture is given; the
# program and everything it brings along are in the hidden folder .soru/.
# The bundle's libraries are found through the program's own search path, so
# programs started from SORU load the desktop's libraries as usual.
set -e

# The launcher's real folder, also when it is started through a link.
self=$0
while [ -L "$self" ]; do
  link=$(readlink "$self")
  case $link in
    /*) self=$link ;;
    *) self=$(dirname "$self")/$link ;;
  esac
done
here=$(cd -P -- "$(dirname "$self")" && pwd -P)
bundle=$here/.soru

# What this launcher changes below is for SORU alone: the programs SORU starts
# (wallpaper tools, the link opener) get the user's own values back. Each
# variable's earlier value is kept as SORU_HOST_<NAME>, absent when it was not
# set, and SORU_HOST_VARS names them all. SORU_PORTABLE tells SORU it runs
# from a medium: it then writes no thumbnails into the host's cache.
SORU_HOST_VARS="QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH FONTCONFIG_FILE LD_LIBRARY_PATH GST_PLUGIN_SYSTEM_PATH_1_0 GST_REGISTRY_FORK GST_PLUGIN_PATH_1_0 GST_PLUGIN_PATH"
for name in $SORU_HOST_VARS; do
  if eval "[ \"\${$name+set}\" = set ]"; then
    eval "SORU_HOST_$name=\$$name"
    export "SORU_HOST_$name"
  else
    unset "SORU_HOST_$name"
  fi
done
SORU_PORTABLE=1
export SORU_HOST_VARS SORU_PORTABLE

# The toolkit takes its plugins from the bundle (qt.conf beside the program):
# plugin folders of an installed toolkit would bring in another version.
unset QT_PLUGIN_PATH QT_QPA_PLATFORM_PLUGIN_PATH
# The desktop's font configuration plus the bundled Japanese fonts.
FONTCONFIG_FILE=$bundle/fonts.conf
export FONTCONFIG_FILE

# The sound back-end needs GStreamer: the host's when it has the libraries and
# the plugins the back-end takes its elements from (its other plugins match its
# own libraries); otherwise the bundled set, the same libraries with just
# those plugins. Only the host's sound output plugin is not required.
own_gstreamer=
known=
for ldconfig in ldconfig /sbin/ldconfig /usr/sbin/ldconfig; do
  known=$("$ldconfig" -p 2>/dev/null) && break
done
for lib in "$bundle"/lib-gstreamer/libgst*; do
  printf '%s\n' "$known" | grep -q "^[[:space:]]*${lib##*/} (libc6,x86-64[,)]" || own_gstreamer=yes
done
core=$(printf '%s\n' "$known" | sed -n 's/^[[:space:]]*libgstreamer-1\.0\.so\.0 (libc6,x86-64[,)].* => //p' | head -n 1)
for plugin in "$bundle"/lib-gstreamer/plugins/*.so; do
  case ${plugin##*/} in libgstpulseaudio.so) continue ;; esac
  [ -f "${core%/*}/gstreamer-1.0/${plugin##*/}" ] || own_gstreamer=yes
done
if [ -n "$own_gstreamer" ]; then
  LD_LIBRARY_PATH=$bundle/lib-gstreamer${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
  GST_PLUGIN_SYSTEM_PATH_1_0=$bundle/lib-gstreamer/plugins
  # The plugins are scanned in the program itself: the host has no scanner.
  GST_REGISTRY_FORK=no
  export LD_LIBRARY_PATH GST_PLUGIN_SYSTEM_PATH_1_0 GST_REGISTRY_FORK
  unset GST_PLUGIN_PATH_1_0 GST_PLUGIN_PATH
fi

# Without a folder or picture among the arguments, the library is this folder.
given=
ended=
takes_value=
for arg in "$@"; do
  if [ -n "$takes_value" ]; then
    takes_value=
    continue
  fi
  if [ -n "$ended" ]; then
    given=yes
    break
  fi
  case $arg in
    --) ended=yes ;;
    --screenshot) takes_value=yes ;;
    -?*) ;;
    *)
      given=yes
      break
      ;;
  esac
done
[ "$given" = yes ] || set -- "$@" "$here"

exec "$bundle/soru" "$@"
