# What both screenshot scripts do alike: the sample data, the history and
# the three pictures of the window. Sourced by them, not run.

# sample_data DIR: the folders the job copies.
sample_data() {
  mkdir -p "$1/旅行" "$1/書類/2024年"
  printf '家族で海へ。\n' >"$1/旅行/日記.txt"
  printf 'photo\n' >"$1/旅行/海.jpg"
  printf 'メモ\n' >"$1/メモ.txt"
  printf '見積\n' >"$1/書類/2024年/見積書.txt"
  printf 'ok\n' >"$1/書類/readme.txt"
}

# history FILE SOURCE DEST [CODE PAGE]: a history holding one source and one
# destination, so that the fields show them; the texts in the code page
# given (iconv's name), else as they are.
history() {
  history_code_page=${4:-}
  {
    history_entry "$2"
    history_empty_entries
    history_entry "$3"
    history_empty_entries
    printf '\001\000\000\000\001\000\000\000'
  } >"$1"
}
history_text() {
  if [ -n "$history_code_page" ]; then
    printf %s "$1" | iconv -f UTF-8 -t "$history_code_page"
  else
    printf %s "$1"
  fi
}
history_entry() {
  n=$(history_text "$1" | LC_ALL=C wc -c)
  printf "\\$(printf %03o $((n % 256)))\\$(printf %03o $((n / 256)))"
  history_text "$1"
}
history_empty_entries() {
  i=1
  while [ $i -lt 10 ]; do printf '\000\000'; i=$((i + 1)); done
}

# shoot LOG OUT BACKUP TRIES STEP SETTLE SOURCE: waits (TRIES tenths of a
# second at most) for the window, then takes idle.png, after-copy.png (a copy
# job into BACKUP, the pointer over cmdQuit), sync-mode.png, failed.png (a
# job with a folder where a file goes, the pointer on the result line) and
# stopped.png (a long job stopped at once) into OUT. STEP and SETTLE are the
# pauses after a move and after the window changes.
shoot() {
  wid=
  for _ in $(seq 1 "$4"); do
    wid=$(xdotool search --onlyvisible --name 'みるてる|mirtel' 2>/dev/null | head -n 1) || true
    [ -n "$wid" ] && break
    sleep 0.1
  done
  if [ -z "$wid" ]; then
    echo "screenshot: the window did not appear" >&2
    cat "$1" >&2
    return 1
  fi
  sleep "$6"
  # The client area is 213 pixels high; the menu bar is above it.
  height=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^HEIGHT=//p')
  menu=$((height - 213))

  # Taken from the screen, not the window: a tooltip is a window of its
  # own, and a grab of the window alone shows it black.
  shot() {
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2/$1.png"
  }
  at() { xdotool mousemove --window "$wid" "$1" $(($2 + menu)); }

  at 200 200  # the status line: no hint
  sleep "$5"
  shot idle "$2"

  at 54 104   # cmdBackUp
  sleep "$5"
  xdotool click 1
  for _ in $(seq 1 "$4"); do
    [ -n "$(find "$3" -name '*.txt' 2>/dev/null)" ] && break
    sleep 0.1
  done
  sleep "$6"
  at 400 148  # over cmdQuit: its hint
  sleep "$5"
  shot after-copy "$2"

  at 28 192   # the mode box: switch to sync mode
  sleep "$5"
  xdotool click 1
  sleep "$6"
  shot sync-mode "$2"

  at 28 192   # and back to normal mode
  sleep "$5"
  xdotool click 1
  sleep "$6"

  copied=$3/$(basename "$7")
  rm -f "$copied/メモ.txt"
  mkdir "$copied/メモ.txt"
  at 54 104   # cmdBackUp
  sleep "$5"
  xdotool click 1
  sleep "$6"
  at 230 84   # the result line: its tooltip
  sleep 2
  shot failed "$2"

  mkdir -p "$7/多数"
  i=0
  while [ $i -lt 20000 ]; do
    printf x >"$7/多数/file$i.txt"
    i=$((i + 1))
  done
  at 54 104
  sleep "$5"
  xdotool click 1
  sleep 0.3
  at 408 108  # cmdStop
  xdotool click 1
  sleep "$6"
  at 230 84
  sleep 2
  shot stopped "$2"
}
