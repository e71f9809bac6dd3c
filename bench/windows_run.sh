#!/bin/bash
# Builds and runs the ten-windows benchmark under a virtual X display, with FeatherPad as
# the baseline. Installs FeatherPad and Xvfb when they are missing (Debian, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
missing=()
command -v featherpad >/dev/null || missing+=(featherpad)
command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
if ((${#missing[@]})); then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target bench_windows
exec xvfb-run -a -s "-screen 0 1600x1200x24" build/bench_windows "$@"
