#!/bin/sh
# mirtel-cli as a service manager, a closed terminal or Ctrl+C ends it, and
# with names that hold control characters:
#   signals_and_names_test.sh path/to/mirtel-cli scratch-folder
# SIGTERM, SIGHUP and SIGINT each stop the walk between files: exit 3, the
# summary last on stdout, the log ending in the summary and the status, and
# at the destination only whole files of the source. The job is held
# mid-walk by a pipe nobody reads yet, so the signal always comes mid-walk.
set -u
CLI=$1
WORK=$2
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$WORK"
mkdir -p "$WORK/src"
for d in 0 1 2 3 4 5 6 7 8 9; do mkdir "$WORK/src/folder$d"; done
i=0
while [ $i -lt 3000 ]; do
  printf 'content %d' $i >"$WORK/src/folder$((i % 10))/a_fairly_long_file_name_for_the_pipe_$i.txt"
  i=$((i + 1))
done
export XDG_DATA_HOME="$WORK/xdg"

for sig in TERM HUP INT; do
  rm -rf "$WORK/dst" "$WORK/log" "$WORK/fifo"
  mkdir "$WORK/dst"
  mkfifo "$WORK/fifo"
  "$CLI" --log "$WORK/log" "$WORK/src" "$WORK/dst" >"$WORK/fifo" 2>"$WORK/err" &
  pid=$!
  exec 3<"$WORK/fifo"
  # The log is flushed per line: when it stops growing, the job waits on
  # the full pipe.
  previous=-1
  tries=0
  while :; do
    lines=$( (wc -l <"$WORK/log") 2>/dev/null || echo 0)
    [ "$lines" = "$previous" ] && [ "$lines" -gt 1 ] && break
    previous=$lines
    tries=$((tries + 1))
    [ $tries -gt 200 ] && break
    sleep 0.3
  done
  kill -s $sig $pid
  cat <&3 >"$WORK/out"
  exec 3<&-
  wait $pid
  status=$?
  [ $status -eq 3 ] || fail "SIG$sig: status $status, expected 3: $(cat "$WORK/err")"
  last=$(tail -n 1 "$WORK/out")
  copied=$(echo "$last" | sed -n 's/^copied=\([0-9]*\) found=1 failed=0 removed=0 seconds=[0-9.]*$/\1/p')
  if [ -z "$copied" ]; then
    fail "SIG$sig: last line is no summary: $last"
    continue
  fi
  [ "$copied" -gt 0 ] && [ "$copied" -lt 3000 ] || fail "SIG$sig: copied=$copied, not mid-walk"
  grep -q '（中断しました）' "$WORK/err" || fail "SIG$sig: no stop on stderr: $(cat "$WORK/err")"
  # Whole files only, as many as counted, each one of the source's.
  present=$(find "$WORK/dst" -type f | wc -l)
  [ "$present" -eq "$copied" ] || fail "SIG$sig: $present files at the destination, copied=$copied"
  for f in $(cd "$WORK/dst/src" && find . -type f); do
    cmp -s "$WORK/src/$f" "$WORK/dst/src/$f" || fail "SIG$sig: $f is not its source"
  done
  head -n 1 "$WORK/log" | grep -q '^[-0-9]* [:0-9]* 開始 通常コピー ' ||
    fail "SIG$sig: log does not open with the job: $(head -n 1 "$WORK/log")"
  tail -n 2 "$WORK/log" | head -n 1 | grep -q " copied=$copied found=1 " ||
    fail "SIG$sig: log's summary: $(tail -n 2 "$WORK/log")"
  tail -n 1 "$WORK/log" | grep -q '^[-0-9]* [:0-9]* 終了 status=3$' ||
    fail "SIG$sig: log's end: $(tail -n 1 "$WORK/log")"
  grep -q ' folder[0-9]/a_fairly_long_file_name_for_the_pipe_[0-9]*\.txt$' "$WORK/log" ||
    fail "SIG$sig: log lines do not name the items by their path"
done

# Names with a newline, an escape sequence, a C1 control and a byte that is
# no UTF-8: one line each, escaped, on stdout and in the log.
rm -rf "$WORK/src" "$WORK/dst" "$WORK/log"
mkdir -p "$WORK/src/sub" "$WORK/dst"
printf 'n' >"$WORK/src/sub/$(printf 'two\nlines.txt')"
printf 'e' >"$WORK/src/$(printf 'red\033[31m.txt')"
printf 'c' >"$WORK/src/$(printf 'c1\302\233x.txt')"
printf 'b' >"$WORK/src/$(printf 'latin\351.txt')"
printf 'k' >"$WORK/src/$(printf 'back\\#slash.txt')"
"$CLI" --log "$WORK/log" "$WORK/src" "$WORK/dst" >"$WORK/out" 2>"$WORK/err"
status=$?
[ $status -eq 0 ] || fail "odd names: status $status: $(cat "$WORK/err")"
for f in "$WORK/out" "$WORK/log"; do
  for line in 'sub/two\#012lines.txt' 'red\#033[31m.txt' 'c1\#302\#233x.txt' 'latin\#351.txt' \
    'back\#134#slash.txt'; do
    grep -qF "$line" "$f" || fail "odd names: no '$line' in $(basename "$f"): $(cat "$f")"
  done
  # Nothing raw: no escape, no C1 control, no stray byte, no split line.
  for raw in "$(printf 'red\033')" "$(printf 'c1\302\233')" "$(printf 'latin\351')"; do
    LC_ALL=C grep -qF "$raw" "$f" && fail "odd names: a raw name in $(basename "$f")"
  done
  grep -q '^lines.txt' "$f" && fail "odd names: a name split a line in $(basename "$f")"
done
[ "$(tail -n 1 "$WORK/out" | cut -d' ' -f1)" = "copied=5" ] || fail "odd names: $(tail -n 1 "$WORK/out")"
[ -f "$WORK/dst/src/sub/$(printf 'two\nlines.txt')" ] || fail "odd names: not copied under its own name"

# A log that cannot be written fails the job, and says so.
"$CLI" --log /dev/full "$WORK/src" "$WORK/dst" >"$WORK/out" 2>"$WORK/err"
status=$?
[ $status -eq 1 ] || fail "--log /dev/full: status $status, expected 1"
grep -q 'ログファイルに書き込めません' "$WORK/err" || fail "--log /dev/full: $(cat "$WORK/err")"

rm -rf "$WORK"
[ $failures -eq 0 ] || exit 1
echo "all passed"
