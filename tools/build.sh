#!/usr/bin/env bash
# Configures build/ (warnings as errors, ccache when present) and builds the targets named, or everything.
# With --sanitize first, the same in build-asan/: a Debug build under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = --sanitize ]; then
  shift
  dir=build-asan
  options=(-DCMAKE_BUILD_TYPE=Debug -DVEROLIN_SANITIZE=ON)
fi
bash tools/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$dir" -G Ninja "${options[@]}" -DVEROLIN_WERROR=ON "${launcher[@]}" >/dev/null
ninja -C "$dir" "$@"
