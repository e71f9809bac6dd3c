#!/usr/bin/env bash
# A fuzzing campaign for one target, outside the test run (it takes minutes to hours):
#   bash fuzz/run.sh <fuzz build folder> <target> <executions> [more libFuzzer options]
# e.g. bash fuzz/run.sh build-fuzz settings_reader 1000000
# The seeds are copied into <build>/corpus/<target>, which grows as the campaign runs; a
# finding is written to <build>/findings/<target>/ and ends the run. Add the finding to
# fuzz/corpus/<target>/ once it is fixed, so that the test run replays it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 target=$2 runs=$3
shift 3
work="$build/corpus/$target"
findings="$build/findings/$target"
mkdir -p "$work" "$findings"
cp -n "$here/corpus/$target/"* "$work/" 2>/dev/null || true
# A small quarantine for freed memory: the default one (256 MB) hands every allocation fresh
# pages, and the page faults cost more than the targets themselves. Use-after-free within one
# input is still caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
exec "$build/${target}_fuzz" -runs="$runs" -print_final_stats=1 \
  -artifact_prefix="$findings/" "$@" "$work"
