#!/usr/bin/env bash
# Soak: plays the sanitizer build with random keys for MINUTES (default 2) on a private display, starting it
# again whenever it exits, and ends it with SIGTERM. Fails on a status other than 0, on any sanitizer report
# (leaks included), or when options.ini, Highscores or a log is not well-formed.
#   tests/soak/soak.sh [MINUTES] [BUILD_DIR]   (BUILD_DIR defaults to build-asan)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
minutes=${1:-2}
build=$(cd "${2:-$root/build-asan}" && pwd)
if [ -z "${SOAK_DISPLAY_UP:-}" ]; then
  export SOAK_DISPLAY_UP=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$minutes" "$build"
fi

work=$(mktemp -d /tmp/varnok_soak_XXXXXX)
mkdir -p "$work/.home" "$work/.bin" "$work/runs"
ln -s "$build/data" "$work/data"
# allegro_message would wait for a click in xmessage; record the text instead.
printf '#!/bin/sh\nfor last; do :; done\nprintf "%%s\\n" "$last" >> %s/messages.txt\n' "$work" >"$work/.bin/xmessage"
chmod +x "$work/.bin/xmessage"
printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s/sound.raw"\n format raw\n}\n' "$work" \
  >"$work/.home/.asoundrc"
preload=$(find "$build/tests" -name 'libe2e_keep_loaded.so' | head -n 1)
fail() { echo "soak: $*" >&2; failures=$((failures + 1)); }
failures=0 runs=0

start_game() {
  runs=$((runs + 1))
  (cd "$work" && HOME="$work/.home" PATH="$work/.bin:$PATH" LD_PRELOAD="$preload" \
     ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0" LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
     exec "$build/varnok" >"$work/runs/$runs.out" 2>&1) &
  game=$!
  timeout 60 xdotool search --sync --onlyvisible --name Varnok windowfocus >/dev/null 2>&1 || true
}

# Collects a finished run: its status, its sanitizer output and its log.
finish_run() {
  local status=0 out=$work/runs/$runs.out log=$work/runs/$runs.log
  wait "$game" || status=$?
  cp "$work/log.txt" "$log" 2>/dev/null || true
  [ "$status" -eq 0 ] || fail "run $runs ended with status $status"
  if grep -qE 'Sanitizer|runtime error:' "$out"; then
    fail "run $runs: sanitizer report: $(grep -E -A 12 'ERROR: |runtime error:' "$out" | head -n 40)"
  fi
  [ -s "$log" ] || { fail "run $runs wrote no log"; return; }
  [ "$(head -n 1 "$log")" = "Init allegro..." ] || fail "run $runs: log does not start with Init allegro..."
  grep -qx 'Shutting down...' "$log" || fail "run $runs: log lacks Shutting down..."
  if LC_ALL=C grep -qn '[^[:print:]]' "$log"; then fail "run $runs: log holds unprintable bytes"; fi
}

# Keys with weights: name, then how many lots it draws.
lots=()
for key in Return:20 Down:10 Up:6 space:16 Alt_L:6 x:3 Left:5 Right:5 p:3 Escape:2 BackSpace:2 a:2 k:2 z:2 m:2 Tab:1; do
  for ((j = 0; j < ${key#*:}; j++)); do lots+=("${key%:*}"); done
done

press_random() {
  local first=${lots[RANDOM % ${#lots[@]}]} second=""
  # Now and then two keys at once: fire while steering, or steer diagonally.
  [ $((RANDOM % 4)) -eq 0 ] && second=${lots[RANDOM % ${#lots[@]}]}
  xdotool keydown "$first" $second 2>/dev/null || true
  sleep "0.$(printf '%02d' $((3 + RANDOM % 60)))"
  xdotool keyup "$first" $second 2>/dev/null || true
}

end=$((SECONDS + minutes * 60))
while [ $SECONDS -lt $end ]; do
  start_game
  while [ $SECONDS -lt $end ] && kill -0 "$game" 2>/dev/null; do press_random; done
  if kill -TERM "$game" 2>/dev/null && ! timeout 60 tail --pid="$game" -f /dev/null; then
    fail "run $runs did not end on SIGTERM"
    kill -KILL "$game"
  fi
  finish_run
done

# The files the game keeps between runs: five values, the last without a line
# break; ten complemented lines of one-word name and score.
perl -0777 -ne 'exit(/\A-?\d+\n[01]\n[01]\n[01]\n[01]\z/ ? 0 : 1)' <"$work/options.ini" ||
  fail "options.ini is missing or not five values"
perl -0777 -ne '$_ = ~$_; exit(/\A(?:\S+ -?\d+\r\n){10}\z/ ? 0 : 1)' <"$work/Highscores" ||
  fail "Highscores is missing or not ten lines of name and score"
[ ! -s "$work/messages.txt" ] || fail "the game showed messages: $(cat "$work/messages.txt")"

missions=$(cat "$work"/runs/*.log | grep -c '^Running game...$' || true)
echo "soak: $runs runs in $minutes minutes, $missions missions started, $failures failures"
if [ $failures -eq 0 ]; then rm -rf "$work"; else echo "soak: runs kept in $work" >&2; fi
[ $failures -eq 0 ]
