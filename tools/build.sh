#!/usr/bin/env bash
# Configures build/ (warnings as errors, ccache when present) and builds the targets named, or everything.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEROLIN_WERROR=ON "${launcher[@]}" >/dev/null
ninja -C build "$@"
