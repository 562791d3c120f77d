#!/usr/bin/env bash
# Fuzzes every reader of outside data for FUZZ_SECONDS (30) each under ASan and UBSan, seeded
# from vorna-mksample and the stored inputs in tests/fuzz/regress/. Fails on any finding; the
# failing input is left in build-fuzz/findings/<name>/ (copy it into regress/<name>/ with the fix).
# Usage: scripts/fuzz.sh [SAMPLE-TOOL]   (SAMPLE-TOOL: a built vorna-mksample; default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-30}
JOBS=${FUZZ_JOBS:-$(nproc)}
MKSAMPLE=${1:-build/bin/vorna-mksample}
OUT=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVORNA_FUZZ=ON -DVORNA_BENCH=OFF >/dev/null
targets=$(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$OUT" -j "$JOBS" --target $targets

# Seeds written by the sample tools, each to the targets that read its kind.
seeds=$OUT/seeds
rm -rf "$seeds" "$OUT/findings" "$OUT/corpus"
mkdir -p "$seeds/demo"
"$MKSAMPLE" demo "$seeds/demo" >/dev/null
"$MKSAMPLE" ndb --demo "$seeds/packed" --packed >/dev/null
"$MKSAMPLE" mol "$seeds/v0.mol" --version 0 >/dev/null
"$MKSAMPLE" mol "$seeds/packed.mol" --version 3 --flags 3 --packed >/dev/null
"$MKSAMPLE" mdm "$seeds/v1.mdm" --version 1 --narrow --lines 20 --vertices 30 >/dev/null
"$MKSAMPLE" mvw "$seeds/grid.mvw" --grid 12 9 --seed 3 --removed 10 --oneway 20 >/dev/null
seed_for() {  # name -> files
  local d=$seeds/demo/Vorna
  case $1 in
    lzw) for f in "$seeds"/packed/*.ndb; do tail -c +4 "$f" > "$f.lzw"; echo "$f.lzw"; done ;;
    object_library) echo "$d/Obj/Town.mol $seeds/v0.mol $seeds/packed.mol" ;;
    palette) echo "$d/Obj/Vorna.rgb" ;;
    mdm) echo "$d/Maps/"*.mdm "$seeds/v1.mdm" ;;
    settings) echo "$d/Vorna.ini" ;;
    language) ;;
    project) echo "$d/Maps/Demo.mpj" ;;
    nmea) head -n 60 "$d/GPS/Demo.nmea" > "$seeds/track.nmea"; echo "$seeds/track.nmea" ;;
    echo) ;;
    greis|almanac) echo "$d/GPS/Demo.jps" ;;
    address_table) echo "$d/DB/"*.ndb "$seeds/packed/"*.ndb ;;
    road_graph) echo "$d/Maps/Streets.mvw $seeds/grid.mvw" ;;
  esac
}

run_one() {
  local name=$1
  local corpus=$OUT/corpus/$name findings=$OUT/findings/$name
  mkdir -p "$corpus" "$findings"
  for f in $(seed_for "$name"); do cp "$f" "$corpus/"; done
  [ -d "tests/fuzz/regress/$name" ] && cp tests/fuzz/regress/"$name"/* "$corpus/" 2>/dev/null || true
  if "$OUT/bin/fuzz_$name" "$corpus" -max_total_time="$SECONDS_EACH" -timeout=10 \
       -rss_limit_mb=2048 -artifact_prefix="$findings/" -print_final_stats=1 \
       > "$OUT/fuzz_$name.log" 2>&1; then
    local execs cov
    execs=$(grep -m1 'stat::number_of_executed_units' "$OUT/fuzz_$name.log" | awk '{print $2}')
    cov=$(grep -o 'cov: [0-9]*' "$OUT/fuzz_$name.log" | tail -1)
    echo "fuzz $name: clean, $execs runs in ${SECONDS_EACH} s, $cov"
  else
    echo "fuzz $name: FINDING (log $OUT/fuzz_$name.log, input in $findings/)"
    tail -n 40 "$OUT/fuzz_$name.log"
    return 1
  fi
}
export -f run_one seed_for
export OUT SECONDS_EACH seeds
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export VORNA_TEST=1
names=$(echo "$targets" | sed 's/^fuzz_//')
echo "$names" | xargs -P "$JOBS" -I{} bash -c 'run_one {}'
