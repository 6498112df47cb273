#!/usr/bin/env bash
# Developer tool, not part of the build: re-renders every PNG under resources/
# from its SVG source under resources/svg/ (same sub-folder, same base name).
# The PNGs are committed, so building never needs this script or its tool.
#
#   resources/svg/<dir>/<name>.svg         -> resources/<dir>/<name>.png
#   resources/svg/<dir>/<name>.states.svg  -> resources/<dir>/<name>.png,
#                                             <name>_hover.png and <name>_pressed.png
#                                             (the picture buttons' three looks; the
#                                             states/*.css sheets recolour the classes)
#
# Needs rsvg-convert (Debian package librsvg2-bin). Run it after editing an SVG
# and commit both files.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SRC="$ROOT/resources/svg"
DST="$ROOT/resources"

if ! command -v rsvg-convert >/dev/null 2>&1; then
  echo "rsvg-convert not found: apt-get install librsvg2-bin" >&2
  exit 1
fi

count=0
while IFS= read -r -d '' svg; do
  rel="${svg#"$SRC"/}"
  dir="$(dirname "$rel")"
  mkdir -p "$DST/$dir"
  case "$rel" in
    *.states.svg)
      base="$DST/$dir/$(basename "$rel" .states.svg)"
      rsvg-convert "$svg" -o "$base.png"
      rsvg-convert -s "$SRC/states/hover.css" "$svg" -o "${base}_hover.png"
      rsvg-convert -s "$SRC/states/pressed.css" "$svg" -o "${base}_pressed.png"
      count=$((count + 3))
      ;;
    *)
      rsvg-convert "$svg" -o "$DST/$dir/$(basename "$rel" .svg).png"
      count=$((count + 1))
      ;;
  esac
done < <(find "$SRC" -name '*.svg' -print0 | sort -z)

echo "Rendered $count images."
