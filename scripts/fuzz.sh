#!/usr/bin/env bash
# Fuzzes the game's file readers and whole missions with clang's libFuzzer
# (address and undefined-behaviour sanitizers): builds the targets in
# build-fuzz/ and runs each for SECONDS (default 60), all of them or the ones
# named. Each run starts from the seed corpus (tests/fuzz/seeds.sh) and keeps
# what it learns in build-fuzz/corpus/. A crash, sanitizer report or broken
# invariant leaves its input in build-fuzz/findings/TARGET/ and makes the exit
# status 1; once mended, the input goes into tests/fuzz/regressions/TARGET/,
# which the normal tests replay.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(level_script ship_definition options hall_of_fame mission)

"$root/scripts/setup.sh" fuzz
build="$root/build-fuzz"
fuzz="$root/tests/fuzz"
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
status=0
for target in "${targets[@]}"; do
  seeds="$build/seeds/$target" corpus="$build/corpus/$target" findings="$build/findings/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$findings" "$build/logs"
  bash "$fuzz/seeds.sh" "$target" "$seeds"
  run=("$build/tests/fuzz/fuzz_$target")
  [ "$target" = mission ] && run=(xvfb-run -a -s "-screen 0 1024x768x24" "${run[@]}")
  echo "== fuzzing $target for ${seconds}s =="
  if "${run[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
      -dict="$fuzz/dict/$target.dict" -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1; then
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
  else
    status=1
    tail -n 60 "$log"
    echo "FAILED: $target (log: $log, inputs: $findings)"
  fi
done
exit $status
