#!/usr/bin/env bash
# Set up, build and start Velmo; file arguments are passed through.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
exec "$here/build/velmo" "$@"
