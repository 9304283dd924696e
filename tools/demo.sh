#!/usr/bin/env bash
# Builds the program and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
./build/verolin --help
