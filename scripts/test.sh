#!/usr/bin/env bash
# Set up, build and run every test, headless.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
cd "$here/build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
