#!/bin/sh
# Run from anywhere: scripts/check_media_layers.sh [source folder]
# Lists media/ files that include a file of a higher media/ layer, then the count.
# Layers, lowest first: colour, formats (base picture object and helpers <
# format objects < factory < decoded picture), memo, thumbnails, pipeline.
cd "${1:-$(dirname "$0")/..}" || exit 1
level() {
  case "$1" in
    media/colour/*) echo 10 ;;
    media/formats/decoded_picture.*) echo 23 ;;
    media/formats/picture_factory.*) echo 22 ;;
    media/formats/bitmap_picture.*|media/formats/jpeg_picture.*|media/formats/png_picture.*|media/formats/webp_picture.*|media/formats/heif_picture.*) echo 21 ;;
    media/formats/*) echo 20 ;;
    media/memo/*) echo 30 ;;
    media/thumbnails/*) echo 40 ;;
    media/pipeline/*) echo 50 ;;
    *) echo 0 ;;
  esac
}
n=0
for f in $(find media -name '*.cpp' -o -name '*.h' | sort); do
  mine=$(level "$f"); bad=""
  for inc in $(sed -n 's/^#include "\(media\/[^"]*\)".*/\1/p' "$f"); do
    [ "$(level "$inc")" -gt "$mine" ] && bad="$bad $inc"
  done
  [ -n "$bad" ] && { echo "$f ->$bad"; n=$((n+1)); }
done
echo "media/ files including a higher media/ layer: $n"
