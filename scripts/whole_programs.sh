#!/usr/bin/env bash
# Runs every test program of a build once whole and shuffled: all its cases in one process, in a
# random order. ctest gives each case a process of its own, so a case that leaves state behind
# for the next (a global not given back by the harness's Stop) shows only here. A failure prints
# the program's output, with the seed GoogleTest chose; rerun it with --gtest_random_seed=N.
#
# Usage: whole_programs.sh BUILD_DIR [JOBS]
set -euo pipefail
BUILD=${1:?build folder}
JOBS=${2:-$(nproc)}

run_one() {
  local program=$1 out
  local start=$SECONDS
  if out=$(VORNA_TEST=1 timeout 1200 "$program" --gtest_shuffle --gtest_brief=1 2>&1); then
    echo "whole: $(basename "$program") passed in $((SECONDS - start)) s"
  else
    printf '%s\n' "$out"
    echo "whole: $(basename "$program") FAILED run whole and shuffled"
    return 1
  fi
}
export -f run_one

# The biggest programs, the longest runs, first: they do not start last.
ls -S "$BUILD"/bin/test_* | xargs -P "$JOBS" -I{} bash -c 'run_one "$@"' _ {}
