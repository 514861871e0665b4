#!/usr/bin/env bash
# Times mirtel_walk against rsync and cp on the same generated trees, in the
# same run, warm cache for everyone. Prints the median of RUNS runs per tool.
#
#   bench/run_bench.sh BUILD_DIR        (RUNS=5 by default)
#   BENCH_ROWS='window|initial' bench/run_bench.sh BUILD_DIR
#                                       only the rows whose scenario matches
#                                       (extended regular expression, any case)
#
# A row is one call of `row` at the bottom: a scenario, how to prepare the
# destination, and the tools to time. A new tool is one `tool_*` function.
set -euo pipefail

build=${1:?usage: bench/run_bench.sh BUILD_DIR}
runs=${RUNS:-5}
walk=$(cd "$build" && pwd)/bench/mirtel_walk
gen=$(cd "$build" && pwd)/bench/make_tree
# Built only where the Qt view is; its row says so when it is missing.
window_job=$(cd "$build" && pwd)/bench/mirtel_window_job
[ -x "$walk" ] && [ -x "$gen" ] || { echo "build mirtel_walk and make_tree in $build first" >&2; exit 2; }
for t in rsync cp awk; do command -v $t >/dev/null || { echo "$t is needed" >&2; exit 2; }; done

# TMPDIR picks the volume: a disk measures the disk, tmpfs (/dev/shm) the tools.
work=$(mktemp -d -t mirtel-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Removals go to a Trash of our own, next to the trees (same volume), not the user's.
export XDG_DATA_HOME=$work/xdg
mkdir -p "$XDG_DATA_HOME"

# ---- tools: $1 source folder, $2 destination; all copy into $2/<name of $1>
tool_mirtel_walk() { "$walk" "$1" "$2"; }
tool_mirtel_sync() { "$walk" --sync "$1" "$2"; }
tool_rsync()       { rsync -a "$1" "$2/"; }
tool_rsync_delete(){ rsync -a --delete "$1" "$2/"; }
tool_cp()          { cp -a "$1" "$2/"; }
tool_cp_update()   { cp -au "$1" "$2/"; }
# The whole job through the real window, clicked as a user does, offscreen.
tool_window_job()  { QT_QPA_PLATFORM=offscreen "$window_job" "$1" "$2"; }
# mirtel_walk again, for the window's row: timed by its own clock as well.
tool_walk_job()    { "$walk" "$1" "$2"; }

declare -A label=(
  [mirtel_walk]="mirtel_walk" [mirtel_sync]="mirtel_walk --sync"
  [rsync]="rsync -a" [rsync_delete]="rsync -a --delete"
  [cp]="cp -a" [cp_update]="cp -au"
  [window_job]="mirtel window" [walk_job]="mirtel_walk"
)

# Tools timed by the clock they print ("seconds=S", and "cpu=C" if they have
# it; else the process's CPU time stands): the window's start-up is not the
# job. Compared only with each other, so mirtel_walk is timed the same way.
declare -A own_clock=([window_job]=1 [walk_job]=1)

# ---- destination preparation: $1 tool, $2 destination folder, $3 source
prep_empty()     { rm -rf "$2"; mkdir -p "$2"; }
# The tool's own earlier copy: every tool meets what it left itself.
prep_own_copy()  { prep_empty "$@"; "tool_$1" "$3" "$2" >/dev/null 2>&1; }
# The full tree as it was before the removals from the source.
prep_full_tree() { prep_empty "$@"; cp -a "$full_tree" "$2/"; rm -rf "$XDG_DATA_HOME/Trash"; }
keep()           { :; }

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

ROW_FORMAT="%-32s %14s %14s %14s  %-18s %-6s %-9s %s\n"
printf_row() { printf "$ROW_FORMAT" "$@"; }

# row NAME SOURCE PREP_ONCE PREP_EACH "MIRTEL_TOOL OTHER_TOOLS..." TARGET_TOOL TARGET_RATIO
# Cells are "wall (cpu)" medians; ratios are mirtel_walk / the best other tool.
row() {
  local name=$1 src=$2 once=$3 each=$4 tools=($5) target_tool=$6 target_ratio=$7
  local t i w c
  wanted "$name" || return 0
  declare -A walls=() cpus=() wall=() cpu=()
  for t in "${tools[@]}"; do "$once" "$t" "$work/dst-$t" "$src"; done
  for ((i = 0; i < runs; i++)); do
    for t in "${tools[@]}"; do   # interleaved: equal cache for all
      "$each" "$t" "$work/dst-$t" "$src"
      read -r w c < <(time_one "$t" "$src" "$work/dst-$t"; echo) || true
      [ -n "$c" ] || exit 1
      walls[$t]+="$w "; cpus[$t]+="$c "
    done
  done
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

# The copies made by tools $1 and $2 in scenario $3 hold the same names and
# bytes.
same_result() {
  [ -n "${last_median[$3]:-}" ] || return 0
  diff -r "$work/dst-$1" "$work/dst-$2" >/dev/null ||
    { echo "${label[$1]}'s result differs from ${label[$2]}'s ($3)" >&2; exit 1; }
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
  same_result window_job walk_job "$name"
}

# ---- trees (seeded: the same on every machine)
echo "generating trees in a temporary folder ..." >&2
"$gen" tree "$work/src/tree" 20000 1000 1 >/dev/null
full_tree=$work/src/tree
mkdir -p "$work/sync" && cp -a "$full_tree" "$work/sync/"
pruned=$("$gen" prune "$work/sync/tree" 10 5 2)
"$gen" wide "$work/wide1k/wide" 1000 >/dev/null
"$gen" wide "$work/wide10k/wide" 10000 >/dev/null
"$gen" flat "$work/flat/flat" 50000 3 >/dev/null
echo "sync source: $pruned" >&2

printf_row scenario "mirtel_walk" "rsync" "cp" "best other" ratio "cpu ratio" target

# ---- rows
row "initial copy, 20,000 files"   "$full_tree" keep prep_empty "mirtel_walk rsync cp" cp 1.0
same_result mirtel_walk rsync "initial copy, 20,000 files"
window_row "job through the window (offscreen)"
row "unchanged tree"               "$full_tree" prep_own_copy keep \
    "mirtel_walk rsync cp_update" best 1.0
row "sync, 10% files 5% folders gone" "$work/sync/tree" keep prep_full_tree \
    "mirtel_sync rsync_delete" rsync_delete 1.5
same_result mirtel_sync rsync_delete "sync, 10% files 5% folders gone"
row "1,000 subfolders, initial"    "$work/wide1k/wide" keep prep_empty "mirtel_walk rsync cp" - -
row "10,000 subfolders, initial"   "$work/wide10k/wide" keep prep_empty "mirtel_walk rsync cp" - -
row "50,000 files in one folder"   "$work/flat/flat" keep prep_empty "mirtel_walk rsync cp" - -

echo
if [ -n "${last_median["10,000 subfolders, initial"]:-}" ] &&
   [ -n "${last_median["1,000 subfolders, initial"]:-}" ]; then
  wide_ratio=$(awk -v a="${last_median["10,000 subfolders, initial"]}" \
    -v b="${last_median["1,000 subfolders, initial"]}" 'BEGIN { printf "%.1f", a / b }')
  echo "mirtel_walk 10,000 / 1,000 subfolders: ${wide_ratio}× (target ≤ 12×:" \
    "$(awk -v r="$wide_ratio" 'BEGIN { print (r <= 12 ? "met" : "MISSED") }'))"
fi
window_name="job through the window (offscreen)"
if [ -n "${row_wall["$window_name/window_job"]:-}" ]; then
  echo "$window_name: ${row_wall["$window_name/window_job"]} s, mirtel_walk" \
    "${row_wall["$window_name/walk_job"]} s on the same tree; both timed by their own clock" \
    "(the window's around the click on Copy)"
fi
echo "medians of $runs runs: wall seconds (CPU seconds, user + system); warm cache, $(nproc) cores"
echo "ratio = mirtel_walk / the fastest other tool by wall time; cpu ratio likewise by CPU time"
echo "trees on $(df -T "$work" | awk 'NR == 2 { print $2 }') ($(dirname "$work"))"
