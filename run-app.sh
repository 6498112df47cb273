#!/usr/bin/env bash
# Installs what is missing, builds Kestrix and starts it in this folder, which
# then holds its log, config.csv and user.ini. The first start (no project
# remembered yet) opens the demo project of examples/.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kestrix
# The remembered project is the first cell of config.csv.
if [ $# -eq 0 ] && [ -z "$(head -n 1 config.csv 2>/dev/null | tr -d ',;." \r')" ]; then
  set -- examples/demo.kestrix
fi
exec ./build/kestrix "$@"
