#!/usr/bin/env bash
# Builds the game twice (plain and with address and undefined-behaviour
# sanitizers) and runs every test in both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" release asan
status=0
for dir in build build-asan; do
  echo "== tests in $dir =="
  (cd "$root/$dir" && ctest --output-on-failure --timeout 900) || status=1
done
exit $status
