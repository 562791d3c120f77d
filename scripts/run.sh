#!/usr/bin/env bash
# Sets up, builds and starts the program. Without an argument it first writes the demo device
# (a small invented town) into samples/device; with one it starts on that device folder.
# Where a display exists the screen appears in a window; otherwise the program runs headless,
# writes its first frame to build/vorna-screen.png and prints a one-line summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what runs here: the program, the demo writer, and the two modules the program loads by name
# (Tilvex and the image module Pelnor). The tests and benchmarks are scripts/test.sh's.
cmake --build build -j "$(nproc)" --target vorna vorna-mksample Tilvex Pelnor
if [ $# -eq 0 ]; then
  ROOT=samples/device
  build/bin/vorna-mksample demo "$ROOT"
else
  ROOT=$1
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vorna --root "$ROOT"
fi
exec build/bin/vorna --root "$ROOT" --headless --exit-after-first-frame \
  --screenshot build/vorna-screen.png
