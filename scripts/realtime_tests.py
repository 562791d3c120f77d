#!/usr/bin/env python3
"""Prints a ctest -R pattern for the test suites that involve threads, serial lines, timers on
real time or other processes: a race in them shows only under load, so scripts/test.sh runs them
once more, shuffled and repeated, at twice the cores.

A file counts when it uses any of the markers below, directly or through a test header of its
own folder or tests/support/ that does. Its suites are the first names of its TEST, TEST_F and
TEST_P. Run from the repository's root."""
import os
import re
import sys

MARKERS = re.compile(
    r"fake_receiver\.h|fake_greis|FakeGreis|FakeReceiver|<thread>|std::thread|CreateThread|"
    r"x_session\.h|steady_clock|sleep_for|wait_until\.h|gps_lines\.h|posix_spawn|fork\(|"
    r"VORNA_COM|OpenPseudo|openpty|posix_openpt")
INCLUDE = re.compile(r'#include\s+"([^"]+)"')
SUITE = re.compile(r"^\s*TEST(?:_F|_P)?\(\s*(\w+)\s*,", re.M)


def main():
    root = "tests"
    texts = {}
    for d, _, files in os.walk(root):
        for f in files:
            if f.endswith((".cpp", ".h")):
                p = os.path.join(d, f)
                with open(p, encoding="utf-8", errors="replace") as fh:
                    texts[p] = fh.read()

    def resolve(src, inc):
        for cand in (os.path.join(os.path.dirname(src), inc), inc):
            cand = os.path.normpath(cand)
            if cand in texts:
                return cand
        return None

    memo = {}

    def involves(p, seen=()):
        if p in memo:
            return memo[p]
        if p in seen:
            return False
        hit = bool(MARKERS.search(texts[p]))
        if not hit:
            for inc in INCLUDE.findall(texts[p]):
                q = resolve(p, inc)
                if q and involves(q, seen + (p,)):
                    hit = True
                    break
        memo[p] = hit
        return hit

    suites = set()
    for p in texts:
        if "/fuzz/" in p or not p.endswith(".cpp"):
            continue
        if involves(p):
            suites.update(SUITE.findall(texts[p]))
    if not suites:
        sys.exit("no real-time test suites found")
    print("(^|/)(" + "|".join(sorted(suites)) + r")\.")


if __name__ == "__main__":
    main()
