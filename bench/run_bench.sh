#!/usr/bin/env bash
# Times mirtel-cli against rsync and cp on the same generated trees, in the
# same run, warm cache for everyone (on the share: nothing cached, as a
# nightly job meets it). Prints the median of RUNS runs per tool.
# Every row then compares each tool's copy with rsync's: names, bytes, sizes
# and modification times.
#
#   bench/run_bench.sh BUILD_DIR        (RUNS=5 by default)
#   BENCH_ROWS='window|initial' bench/run_bench.sh BUILD_DIR
#                                       only the rows whose scenario matches
#                                       (extended regular expression, any case)
#   BENCH_DISK_DIR=DIR                  where the "on disk" rows copy (/var/tmp
#                                       by default; empty: no such rows)
#   BENCH_DIVIDE=N                      every tree N times smaller, for a quick look
#   BENCH_SHARE_DELAY_MS=D              the share's delay each way (1 ms by default;
#                                       empty: no rows on a share)
#
# A row is one call of `row` at the bottom: a scenario, how to prepare the
# destination, and the tools to time. A new tool is one `tool_*` function.
set -euo pipefail

build=${1:?usage: bench/run_bench.sh BUILD_DIR}
runs=${RUNS:-5}
divide=${BENCH_DIVIDE:-1}
disk_base=${BENCH_DISK_DIR-/var/tmp}
walk=$(cd "$build" && pwd)/mirtel-cli
gen=$(cd "$build" && pwd)/bench/make_tree
# Built only where the Qt view is; its row says so when it is missing.
window_job=$(cd "$build" && pwd)/bench/mirtel_window_job
delay_line=$(cd "$build" && pwd)/bench/delay_line
share_delay=${BENCH_SHARE_DELAY_MS-1}
[ -x "$walk" ] && [ -x "$gen" ] || { echo "build mirtel-cli and make_tree in $build first" >&2; exit 2; }
for t in rsync cp awk diff find; do command -v $t >/dev/null || { echo "$t is needed" >&2; exit 2; }; done

# TMPDIR picks the volume: a disk measures the disk, tmpfs (/dev/shm) the tools.
work=$(mktemp -d -t mirtel-bench.XXXXXX)
disk=""
. "$(dirname "$0")/network_share.sh"
trap 'share_stop; rm -rf "$work" ${disk:+"$disk"}' EXIT
# Removals go to a Trash of our own, next to the trees (same volume), not the user's.
export XDG_DATA_HOME=$work/xdg
mkdir -p "$XDG_DATA_HOME"

# ---- tools: $1 source folder, $2 destination; all copy into $2/<name of $1>
tool_mirtel_walk() { "$walk" -q "$1" "$2"; }
tool_mirtel_sync() { "$walk" -q --sync "$1" "$2"; }
tool_rsync()       { rsync -a "$1" "$2/"; }
tool_rsync_delete(){ rsync -a --delete "$1" "$2/"; }
tool_cp()          { cp -a "$1" "$2/"; }
tool_cp_update()   { cp -au "$1" "$2/"; }
# The whole job through the real window, clicked as a user does, offscreen.
tool_window_job()  { QT_QPA_PLATFORM=offscreen "$window_job" "$1" "$2"; }
# mirtel-cli again, for the window's row: timed by its own clock as well.
tool_walk_job()    { "$walk" -q "$1" "$2"; }

declare -A label=(
  [mirtel_walk]="mirtel-cli" [mirtel_sync]="mirtel-cli --sync"
  [rsync]="rsync -a" [rsync_delete]="rsync -a --delete"
  [cp]="cp -a" [cp_update]="cp -au"
  [window_job]="mirtel window" [walk_job]="mirtel-cli"
)

# Tools timed by the clock they print ("seconds=S", and "cpu=C" if they have
# it; else the process's CPU time stands): the window's start-up is not the
# job. Compared only with each other, so mirtel-cli is timed the same way.
declare -A own_clock=([window_job]=1 [walk_job]=1)

# ---- destination preparation: $1 tool, $2 destination folder, $3 source
prep_empty()     { rm -rf "$2"; mkdir -p "$2"; }
# The tool's own earlier copy: every tool meets what it left itself.
prep_own_copy()  { prep_empty "$@"; "tool_$1" "$3" "$2" >/dev/null 2>&1; }
# The full tree as it was before the removals from the source.
prep_full_tree() { prep_empty "$@"; cp -a "$full_tree" "$2/"; rm -rf "$XDG_DATA_HOME/Trash"; }
# The same on the share, whose removals go to the share's own Trash.
# Both are timed as a nightly job meets them: nothing of them cached here.
prep_share_full_tree() {
  prep_empty "$@"; cp -a "$share_full_tree" "$2/"; rm -rf "$share_mnt"/.Trash-*; share_remount
}
keep()           { :; }
# A new, empty destination, with nothing freed for it: ext4 without a journal
# passes over the inodes freed in the last minutes whenever it makes new ones,
# so removing the previous run's copy just before each run would time that
# search rather than the tool. The earlier copies go when the benchmark ends.
prep_fresh()     { [ ! -e "$2" ] || mv "$2" "$(mktemp -u "$2.earlier.XXXXXX")"; mkdir -p "$2"; }

# "wall cpu" seconds of one run of tool $1 from $2 into $3; the run must
# succeed. CPU (user + system) is shown too: on a busy machine the wall time
# also measures the other processes.
time_one() {
  local status=0 wall user sys
  sync  # the previous run's writeback must not land in this run
  { TIMEFORMAT="%3R %3U %3S"; time "tool_$1" "$2" "$3" >"$work/out" 2>&1 || status=$?; } 2>"$work/time"
  if [ $status -ne 0 ]; then
    echo "${label[$1]} failed (exit $status):" >&2; tail -5 "$work/out" >&2; exit 1
  fi
  read -r wall user sys <"$work/time"
  if [ -n "${own_clock[$1]:-}" ]; then
    local own_wall own_cpu
    own_wall=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' "$work/out" | tail -1)
    own_cpu=$(sed -n 's/.*cpu=\([0-9.]*\).*/\1/p' "$work/out" | tail -1)
    if [ -z "$own_wall" ]; then
      echo "${label[$1]} printed no seconds=" >&2; tail -5 "$work/out" >&2; exit 1
    fi
    wall=$own_wall
    if [ -n "$own_cpu" ]; then user=$own_cpu; sys=0; fi
  fi
  awk -v w="$wall" -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f %.3f", w, u + s }'
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A last_median
declare -A row_wall   # "scenario/tool" -> median wall seconds

# True when BENCH_ROWS leaves the scenario $1 in.
wanted() { [ -z "${BENCH_ROWS:-}" ] || grep -qiE -- "$BENCH_ROWS" <<<"$1"; }

ROW_FORMAT="%-38s %14s %14s %14s  %-18s %-6s %-9s %s\n"
printf_row() { printf "$ROW_FORMAT" "$@"; }

# What a copy holds, for comparing two: every entry's type and path, and a
# file's size and modification time. Folder times are left out: not every
# tool keeps them.
listing() {
  (cd "$1" && find . -mindepth 1 \( -type f -printf 'f %P %s %T@\n' \) -o -printf '%y %P\n') |
    LC_ALL=C sort
}

# Each tool's copy in the row must equal rsync's: the row's own rsync run or,
# without one, a fresh rsync -a of the source. A fast wrong copy is no result.
# check_row NAME SOURCE DESTINATION_ROOT TOOLS...
check_row() {
  local name=$1 src=$2 root=$3 t ref=""
  shift 3
  for t in "$@"; do case $t in rsync*) ref=$root/dst-$t ;; esac; done
  if [ -z "$ref" ]; then
    ref=$root/dst-reference
    rm -rf "$ref" && mkdir -p "$ref" && rsync -a "$src" "$ref/"
  fi
  for t in "$@"; do
    [ "$root/dst-$t" != "$ref" ] || continue
    if ! diff -r --no-dereference "$ref" "$root/dst-$t" >"$work/diff" 2>&1 ||
       ! diff <(listing "$ref") <(listing "$root/dst-$t") >"$work/diff" 2>&1; then
      echo "${label[$t]}'s copy differs from rsync's ($name):" >&2
      head -20 "$work/diff" >&2
      exit 1
    fi
  done
}

# row NAME SOURCE PREP_ONCE PREP_EACH "MIRTEL_TOOL OTHER_TOOLS..." TARGET_TOOL TARGET_RATIO [DEST_ROOT]
# Cells are "wall (cpu)" medians; ratios are mirtel-cli / the best other tool.
# The tools copy into DEST_ROOT/dst-TOOL ($work by default).
row() {
  local name=$1 src=$2 once=$3 each=$4 tools=($5) target_tool=$6 target_ratio=$7 root=${8:-$work}
  local t i w c
  wanted "$name" || return 0
  declare -A walls=() cpus=() wall=() cpu=()
  for t in "${tools[@]}"; do "$once" "$t" "$root/dst-$t" "$src"; done
  for ((i = 0; i < runs; i++)); do
    for t in "${tools[@]}"; do   # interleaved: equal cache for all
      "$each" "$t" "$root/dst-$t" "$src"
      read -r w c < <(time_one "$t" "$src" "$root/dst-$t"; echo) || true
      [ -n "$c" ] || exit 1
      walls[$t]+="$w "; cpus[$t]+="$c "
    done
  done
  check_row "$name" "$src" "$root" "${tools[@]}"
  for t in "${tools[@]}"; do
    wall[$t]=$(median ${walls[$t]}); cpu[$t]=$(median ${cpus[$t]})
    row_wall["$name/$t"]=${wall[$t]}
  done
  local mine=${tools[0]} rs="—" cps="—" best="" best_t="" best_cpu="" target_text="—"
  for t in "${tools[@]:1}"; do
    local cell="${wall[$t]} (${cpu[$t]})"
    case $t in rsync*) rs=$cell ;; cp*) cps=$cell ;; esac
    if [ -z "$best" ] || awk -v a="${wall[$t]}" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=${wall[$t]}; best_t=$t
    fi
    if [ -z "$best_cpu" ] || awk -v a="${cpu[$t]}" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
      best_cpu=${cpu[$t]}
    fi
  done
  local ratio cpu_ratio
  ratio=$(awk -v a="${wall[$mine]}" -v b="$best" 'BEGIN { printf "%.2f×", a / b }')
  cpu_ratio=$(awk -v a="${cpu[$mine]}" -v b="$best_cpu" 'BEGIN { printf "%.2f×", a / b }')
  if [ "$target_tool" != - ]; then
    local ref=$best vs verdict who=${label[$target_tool]:-"faster other"}
    if [ "$target_tool" != best ]; then ref=${wall[$target_tool]}; fi
    vs=$(awk -v a="${wall[$mine]}" -v b="$ref" 'BEGIN { printf "%.2f", a / b }')
    verdict=$(awk -v r="$vs" -v t="$target_ratio" 'BEGIN { print (r <= t ? "met" : "MISSED") }')
    target_text="≤ ${target_ratio}× $who: ${vs}× $verdict"
  fi
  printf_row "$name" "${wall[$mine]} (${cpu[$mine]})" "$rs" "$cps" "${label[$best_t]}" \
    "$ratio" "$cpu_ratio" "$target_text"
  last_median[$name]=${wall[$mine]}
}

# The window's row, where the window job is built.
window_row() {
  local name=$1
  wanted "$name" || return 0
  if [ ! -x "$window_job" ]; then
    printf_row "$name" "—" "—" "—" "" "" "" "not run: no mirtel_window_job in $build"
    return 0
  fi
  row "$name" "$full_tree" keep prep_empty "window_job walk_job" walk_job 1.3
}

# 20000 -> "20,000"
commas() {
  local n=$1 out=""
  while ((n >= 1000)); do out=$(printf ',%03d' $((n % 1000)))$out; n=$((n / 1000)); done
  echo "$n$out"
}
files=$((20000 / divide)) folders=$((1000 / divide))
wide_small=$((1000 / divide)) wide_large=$((10000 / divide)) flat=$((50000 / divide))
((folders > 0 && wide_small > 0)) || { echo "BENCH_DIVIDE is too large" >&2; exit 2; }
initial="initial copy, $(commas $files) files"
wide_small_name="$(commas $wide_small) subfolders, initial"
wide_large_name="$(commas $wide_large) subfolders, initial"
flat_name="$(commas $flat) files in one folder"

# ---- trees (seeded: the same on every machine)
echo "generating trees in a temporary folder ..." >&2
echo "names of the tree: $("$gen" tree "$work/src/tree" $files $folders 1)" >&2
full_tree=$work/src/tree
mkdir -p "$work/sync" && cp -a "$full_tree" "$work/sync/"
pruned=$("$gen" prune "$work/sync/tree" 10 5 2)
# The large one-shape trees only for their own rows.
if wanted "$wide_small_name"; then "$gen" wide "$work/wide1k/wide" $wide_small >/dev/null; fi
if wanted "$wide_large_name"; then "$gen" wide "$work/wide10k/wide" $wide_large >/dev/null; fi
if wanted "$flat_name"; then
  echo "names of one folder: $("$gen" flat "$work/flat/flat" $flat 3)" >&2
fi
echo "sync source: $pruned" >&2

# The "on disk" rows: source and copies on the machine's disk, as users copy
# between disks. No sync row there: its removals would go to that volume's
# own Trash, outside the benchmark's folder.
disk_note="no rows on disk (BENCH_DISK_DIR is empty)"
if [ -n "$disk_base" ] && ! wanted "$initial, on disk" && ! wanted "unchanged tree, on disk"; then
  disk_note="no rows on disk (BENCH_ROWS)"
elif [ -n "$disk_base" ]; then
  [ -d "$disk_base" ] || { echo "BENCH_DISK_DIR: no folder $disk_base" >&2; exit 2; }
  if [ "$(stat -c %d "$disk_base")" = "$(stat -c %d "$work")" ]; then
    disk_note="no rows on disk: the other rows already run on $disk_base's volume"
  else
    disk=$(mktemp -d -p "$disk_base" mirtel-bench.XXXXXX)
    mkdir -p "$disk/src" && cp -a "$full_tree" "$disk/src/"
    disk_note="rows on disk: $(df -T "$disk" | awk 'NR == 2 { print $2 }') ($disk_base)"
  fi
fi

printf_row scenario "mirtel-cli" "rsync" "cp" "best other" ratio "cpu ratio" target

# ---- rows
row "$initial"                     "$full_tree" keep prep_empty "mirtel_walk rsync cp" cp 0.6
window_row "job through the window (offscreen)"
row "unchanged tree"               "$full_tree" prep_own_copy keep \
    "mirtel_walk rsync cp_update" best 1.0
row "sync, 10% files 5% folders gone" "$work/sync/tree" keep prep_full_tree \
    "mirtel_sync rsync_delete" rsync_delete 1.0
row "$wide_small_name"             "$work/wide1k/wide" keep prep_empty "mirtel_walk rsync cp" - -
row "$wide_large_name"             "$work/wide10k/wide" keep prep_empty "mirtel_walk rsync cp" - -
row "$flat_name"                   "$work/flat/flat" keep prep_empty \
    "mirtel_walk rsync cp" - -
if [ -n "$disk" ]; then
  row "$initial, on disk"          "$disk/src/tree" keep prep_fresh "mirtel_walk rsync cp" \
      cp 0.6 "$disk"
  row "unchanged tree, on disk"    "$disk/src/tree" prep_own_copy keep \
      "mirtel_walk rsync cp_update" best 1.0 "$disk"
fi

# ---- the rows on a network share: sshd behind the delay line, mounted with
# sshfs; a small tree, as every call waits for the network.
share_files=$((500 / divide)) share_folders=$((25 / divide + 1))
share_initial="initial copy, $(commas $share_files) files, on a share"
share_unchanged="unchanged tree, on a share"
share_sync="sync, 10% files 5% folders gone, on a share"
share_note="no rows on a share (BENCH_SHARE_DELAY_MS is empty)"
if [ -n "$share_delay" ] && ! wanted "$share_initial" && ! wanted "$share_unchanged" &&
   ! wanted "$share_sync"; then
  share_note="no rows on a share (BENCH_ROWS)"
elif [ -n "$share_delay" ]; then
  if share_start "$work/share" "$delay_line" "$share_delay"; then
    "$gen" tree "$work/share_src/tree" $share_files $share_folders 2 >/dev/null
    share_full_tree=$work/share_src/tree
    mkdir -p "$work/share_sync" && cp -a "$share_full_tree" "$work/share_sync/"
    "$gen" prune "$work/share_sync/tree" 10 5 3 >/dev/null
    row "$share_initial"   "$share_full_tree" keep prep_empty "mirtel_walk rsync cp" cp 0.35 \
        "$share_mnt"
    row "$share_unchanged" "$share_full_tree" prep_own_copy share_remount \
        "mirtel_walk rsync cp_update" best 0.6 "$share_mnt"
    row "$share_sync"      "$work/share_sync/tree" keep prep_share_full_tree \
        "mirtel_sync rsync_delete" rsync_delete 0.6 "$share_mnt"
    share_note="rows on a share: sshfs to a local sshd through a delay line of $share_delay ms each way"
    share_stop
  else
    share_note="no rows on a share: $share_why"
    for name in "$share_initial" "$share_unchanged" "$share_sync"; do
      if wanted "$name"; then printf_row "$name" "—" "—" "—" "" "" "" "not run: $share_why"; fi
    done
  fi
fi

echo
if [ -n "${last_median["$wide_large_name"]:-}" ] &&
   [ -n "${last_median["$wide_small_name"]:-}" ]; then
  wide_ratio=$(awk -v a="${last_median["$wide_large_name"]}" \
    -v b="${last_median["$wide_small_name"]}" 'BEGIN { printf "%.1f", a / b }')
  echo "mirtel-cli $(commas $wide_large) / $(commas $wide_small) subfolders: ${wide_ratio}× (target ≤ 12×:" \
    "$(awk -v r="$wide_ratio" 'BEGIN { print (r <= 12 ? "met" : "MISSED") }'))"
fi
# Memory must not grow with the number of entries: the peak of one more run
# of mirtel-cli into an empty folder, on the tree and on the one large folder.
peak_kib() {
  rm -rf "$work/peak" && mkdir -p "$work/peak"
  /usr/bin/time -f %M -o "$work/peak.kib" "$walk" -q "$1" "$work/peak" >/dev/null 2>&1 &&
    cat "$work/peak.kib"
}
if [ -x /usr/bin/time ] && [ -n "${row_wall["$flat_name/mirtel_walk"]:-}" ]; then
  tree_kib=$(peak_kib "$full_tree") flat_kib=$(peak_kib "$work/flat/flat")
  echo "peak memory of mirtel-cli: $(commas $files) files in $(commas $folders) folders" \
    "$((tree_kib / 1024)) MiB; $(commas $flat) files in one folder $((flat_kib / 1024)) MiB"
fi
window_name="job through the window (offscreen)"
if [ -n "${row_wall["$window_name/window_job"]:-}" ]; then
  echo "$window_name: ${row_wall["$window_name/window_job"]} s, mirtel-cli" \
    "${row_wall["$window_name/walk_job"]} s on the same tree; both timed by their own clock" \
    "(the window's around the click on Copy)"
fi
echo "medians of $runs runs: wall seconds (CPU seconds, user + system); warm cache, $(nproc) cores"
echo "ratio = mirtel-cli / the fastest other tool by wall time; cpu ratio likewise by CPU time"
echo "every copy compared with rsync's: names, bytes, sizes, modification times"
echo "trees on $(df -T "$work" | awk 'NR == 2 { print $2 }') ($(dirname "$work")); $disk_note"
echo "$share_note"
[ -z "$disk" ] ||
  echo "on disk: warm cache; a run ends when the tool exits, before the kernel has written" \
    "everything back (each run starts after a sync); each first copy into a new folder," \
    "the earlier copies kept until the end"
