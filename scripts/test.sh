#!/usr/bin/env bash
# Sets up, builds and runs every test: once in an optimised build with warnings as errors, once
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=$(nproc)

build() {  # build DIR extra-cmake-args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DVORNA_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest -j "$JOBS" --output-on-failure --timeout 300)

if [ "${VORNA_SKIP_SANITIZERS:-0}" != "1" ]; then
  build build-asan -DCMAKE_BUILD_TYPE=Debug -DVORNA_SANITIZE=ON -DVORNA_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd build-asan && ctest -j "$JOBS" --output-on-failure --timeout 600)
fi
