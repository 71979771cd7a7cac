#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; does
# nothing when they are all there already.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-private-dev qt6-multimedia-dev qt6-translations-l10n qt6-l10n-tools qt6-tools-dev
  libjpeg62-turbo-dev libexif-dev libuchardet-dev libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libwebp-dev libheif-dev libdav1d-dev libheif-examples libavif-bin webp pngcrush
  liblcms2-dev liblcms2-utils colord-data icc-profiles-free libgs10-common libxcb1-dev
  fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core fonts-urw-base35
  xvfb xauth x11-apps imagemagick python3-xlib feh libvips-tools
  at-spi2-core python3-pyatspi dbus-bin
  sox gstreamer1.0-plugins-base gstreamer1.0-plugins-good libgstreamer1.0-dev
  libglib2.0-bin gsettings-desktop-schemas
  libxcb-screensaver0-dev dbus-daemon suckless-tools x11-xserver-utils xdotool
  g++-mingw-w64-x86-64 clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev groff-base man-db bsdextrautils weston qt6-wayland lintian
  debootstrap patchelf strace fuse3 python3-fuse e2fsprogs
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
