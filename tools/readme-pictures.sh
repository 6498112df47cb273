#!/usr/bin/env bash
# Renders the README's pictures from the real application, offscreen: the
# demo project of examples/ running for half a minute, its master polling its
# slave, then each page grabbed. Writes doc/pictures/*.png; commit them.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target kestrix_render
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT
if ! QT_QPA_PLATFORM=offscreen ./build/tools/render/kestrix_render "$OUT" shell_readme >/dev/null 2>"$OUT/log" \
  || ! ls "$OUT"/shell_readme_*.png >/dev/null 2>&1; then
  cat "$OUT/log" >&2
  exit 1
fi
mkdir -p doc/pictures
for png in "$OUT"/shell_readme_*.png; do
  cp "$png" "doc/pictures/$(basename "$png" | sed 's/^shell_readme_//')"
done
ls doc/pictures
