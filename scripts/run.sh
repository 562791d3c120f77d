#!/usr/bin/env bash
# Sets up, builds and starts the program on a device folder (default: the demo device).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
ROOT=${1:-samples/device}
mkdir -p "$ROOT"
exec build/bin/vorna --root "$ROOT"
