#!/usr/bin/env bash
# Builds everything and runs every test; then the Windows build and its tests under Wine
# (tools/test-windows.sh); then the package test (a plain Release build in build-release/,
# the Debian package made from it and checked, installed into a throwaway root and run: see
# tools/package-test.sh); then builds and runs the whole suite once more under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ (any finding fails its test); then runs every fuzz target
# for 30 seconds (tools/fuzz.sh; any crash, leak or broken property fails).
set -euo pipefail
cd "$(dirname "$0")/.."
# LibreOffice writes and reads back the round-trip corpus of the word processor's tests.
bash tools/setup.sh libreoffice-writer-nogui
bash tools/build.sh
ctest --test-dir build --output-on-failure -j2
# The control for Windows, built with mingw-w64 and run under Wine; skipped (and said so) only when its
# packages are missing and cannot be installed.
windows=0
bash tools/test-windows.sh || windows=$?
if [ "$windows" -eq 77 ]; then
  echo "SKIPPED: the Windows build and its tests under Wine (packages missing; see tools/test-windows.sh)"
elif [ "$windows" -ne 0 ]; then
  exit "$windows"
fi
bash tools/package-test.sh
bash tools/build.sh --sanitize
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j2
# With a fixed seed, so that the test run of a commit does not depend on the draw; runs by hand explore.
VEROLIN_FUZZ_SEED=${VEROLIN_FUZZ_SEED:-1} bash tools/fuzz.sh 30
