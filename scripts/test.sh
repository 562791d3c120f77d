#!/usr/bin/env bash
# Sets up, builds and runs every test: once in an optimised build with warnings as errors, once
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
JOBS=$(nproc)

# Includes point down the floors only (see "The house" in the design notes); checked before
# anything is built, so an uphill include fails fast, naming its file and line.
python3 scripts/check_layers.py

build() {  # build DIR [--target T] extra-cmake-args...
  local dir=$1; shift
  local target=()
  if [ "${1:-}" = "--target" ]; then target=(--target "$2"); shift 2; fi
  cmake -S . -B "$dir" -G Ninja -DVORNA_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS" "${target[@]}"
}

build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build && ctest -j "$JOBS" --output-on-failure --timeout 300)

# Each test program once more, whole and shuffled in one process, as a developer runs it: a case
# that leaves state behind for the next fails here (ctest gives every case a fresh process).
bash scripts/whole_programs.sh build "$JOBS"

# The tests that involve threads, serial lines, real time or other processes, once more: shuffled,
# three times each, at twice the cores, so that a race shows up here and not on a user's machine.
REALTIME=$(python3 scripts/realtime_tests.py)
(cd build && ctest -R "$REALTIME" --schedule-random --repeat until-fail:3 -j $((2 * JOBS)) \
   --output-on-failure --timeout 300)

# The readers of outside data under libFuzzer (clang, ASan, UBSan), FUZZ_SECONDS each.
if [ "${VORNA_SKIP_FUZZ:-0}" != "1" ]; then
  bash scripts/fuzz.sh build/bin/vorna-mksample
fi

if [ "${VORNA_SKIP_SANITIZERS:-0}" != "1" ]; then
  build build-asan -DCMAKE_BUILD_TYPE=Debug -DVORNA_SANITIZE=ON -DVORNA_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  (cd build-asan && ctest -j "$JOBS" --output-on-failure --timeout 600)
fi

# The GPS reader threads share the fix and the port with the interface thread: their tests also
# run under ThreadSanitizer.
if [ "${VORNA_SKIP_SANITIZERS:-0}" != "1" ]; then
  build build-tsan --target test_gps -DCMAKE_BUILD_TYPE=Debug -DVORNA_TSAN=ON -DVORNA_BENCH=OFF
  (cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest -j "$JOBS" --output-on-failure --timeout 600 \
     -R '^(NmeaParse|GpsPortLink|EchoLink)\.')
fi
