# mirtel-cli as a user runs it: exit statuses, the summary line, the
# verbose lines, options, where its settings live, --last, the saved jobs
# with their volume guard, and, natively, the sync into a Trash of the
# test's own.
#   cmake -DCLI=exe -DWORK=scratch folder [-DEMULATOR=wine] [-DCHECK_TRASH=ON] -P this
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/src/sub" "${WORK}/dst")
file(WRITE "${WORK}/src/a.txt" "a")
file(WRITE "${WORK}/src/sub/b.txt" "b")
set(ENV{XDG_DATA_HOME} "${WORK}/xdg")
set(ENV{XDG_CONFIG_HOME} "${WORK}/config")
# A copy of the program of the test's own: its folder is where a portable
# copy keeps its settings.
file(COPY "${CLI}" DESTINATION "${WORK}/prog")
get_filename_component(cli_name "${CLI}" NAME)
set(CLI "${WORK}/prog/${cli_name}")
set(RUN_DIR "${WORK}")

# The program's own spelling of a path (Wine: the Z: drive).
function(native_path out path)
  if(EMULATOR)
    string(REPLACE "/" "\\" path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()
native_path(SRC "${WORK}/src")
native_path(DST "${WORK}/dst")

function(expect_match text regex what)
  if(NOT text MATCHES "${regex}")
    message(SEND_ERROR "FAILED: ${what}: '${text}' does not match '${regex}'")
  endif()
endfunction()
function(expect_find text part what)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "FAILED: ${what}: no '${part}' in:\n${text}")
  endif()
endfunction()
function(expect_exists path want what)
  if(EXISTS "${path}" AND NOT want)
    message(SEND_ERROR "FAILED: ${what}: ${path} is there")
  elseif(NOT EXISTS "${path}" AND want)
    message(SEND_ERROR "FAILED: ${what}: ${path} is missing")
  endif()
endfunction()

# run(<expected status> args...): sets OUT, ERR and LAST (stdout's last line).
# A function, not a macro: a macro would read the backslashes of Windows paths
# as escapes.
function(run expected)
  execute_process(COMMAND ${EMULATOR} "${CLI}" ${ARGN} WORKING_DIRECTORY "${RUN_DIR}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE OUT ERROR_VARIABLE ERR)
  string(REPLACE "\r" "" OUT "${OUT}")
  string(STRIP "${OUT}" LAST)
  string(FIND "${LAST}" "\n" at REVERSE)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${LAST}" ${at} -1 LAST)
  if(NOT status STREQUAL "${expected}")
    message(SEND_ERROR "FAILED: mirtel-cli ${ARGN}: status ${status}, expected ${expected}\n"
                       "stdout:\n${OUT}\nstderr:\n${ERR}")
  endif()
  set(OUT "${OUT}" PARENT_SCOPE)
  set(ERR "${ERR}" PARENT_SCOPE)
  set(LAST "${LAST}" PARENT_SCOPE)
endfunction()

set(summary "^copied=([0-9]+) found=([01]) failed=([0-9]+) removed=([0-9]+) seconds=[0-9]+\\.[0-9][0-9][0-9]$")

run(2)
expect_find("${ERR}" "usage: mirtel-cli [options] SRC DST" "usage without arguments")
run(2 "${SRC}" "${DST}" --fast)
expect_find("${ERR}" "usage:" "usage after an unknown option")
run(2 "${SRC}")
expect_find("${ERR}" "usage:" "usage with one folder")
run(2 "${SRC}" "${DST}" "${SRC}")
expect_find("${ERR}" "usage:" "usage with three folders")
run(0 --help)
expect_find("${OUT}" "Exit status:" "help")
run(0 --version "${SRC}")
expect_match("${OUT}" "^mirtel-cli [0-9]+\\.[0-9]+\\.[0-9]+\nCopyright .*MIT License" "version")
expect_exists("${WORK}/dst/src" NO "nothing copied when asked for the version")

# A preview changes nothing, and counts what the job then does.
run(0 --dry-run "${SRC}" "${DST}")
expect_match("${LAST}" "^dry_run=1 would_copy=2 found=1 failed=0 would_remove=0 "
             "preview of the first copy")
expect_find("${OUT}" "2個のファイルをコピーします（予定）" "preview's result line")
expect_find("${OUT}" "コピー予定：a.txt" "preview line")
expect_exists("${WORK}/dst/src" NO "nothing made by the preview")

native_path(LOG "${WORK}/job.log")
run(0 --verbose --log "${LOG}" "${SRC}" "${DST}")
expect_match("${LAST}" "${summary}" "summary line")
expect_find("${OUT}" "status: a.txtをコピー\n" "verbose status of a copy")
expect_find("${OUT}" "status: フォルダsubを作成\n" "verbose status of a new folder")
expect_find("${OUT}" "result: a.txt\n" "verbose result line")
expect_find("${OUT}" "2個のファイルをコピーしました\n" "the window's result line")
file(READ "${WORK}/job.log" log)
expect_match("${log}" "[0-9]+-[0-9]+-[0-9]+ [0-9]+:[0-9]+:[0-9]+ a.txt\n" "log line with the time")
expect_match("${log}" "copied=2 found=1 failed=0 removed=0 seconds=[0-9.]+\n[-0-9]+ [:0-9]+ 終了 status=0\n$"
             "log ends in the summary and the status")
expect_match("${LAST}" "^copied=2 found=1 failed=0 removed=0 " "first copy")
expect_exists("${WORK}/dst/src/sub/b.txt" YES "copied into dst/src/sub")

run(0 --verbose "${SRC}" "${DST}")
expect_find("${OUT}" "status: 同じ日付です\n" "verbose status of an unchanged file")
expect_match("${LAST}" "^copied=0 found=1 failed=0 removed=0 " "second run")
if(OUT MATCHES "result: ")
  message(SEND_ERROR "FAILED: a result line when nothing was copied:\n${OUT}")
endif()

# Relative folders, one with a trailing separator, name the same folders;
# --quiet prints the summary alone.
run(0 -q src/ dst)
expect_match("${OUT}" "^copied=0 found=1 failed=0 removed=0 [^\n]*\n$" "quiet, relative")
expect_exists("${WORK}/dst/src/src" NO "a trailing separator names the same folder")

# A source of empty folders finds no file, and its folders are made.
file(MAKE_DIRECTORY "${WORK}/empty/only/folders")
native_path(EMPTY "${WORK}/empty")
run(0 "${EMPTY}" "${DST}")
expect_match("${LAST}" "^copied=0 found=0 failed=0 removed=0 " "found=0 for no file")
expect_exists("${WORK}/dst/empty/only/folders" YES "the empty folders made")

native_path(MISSING "${WORK}/no/such")
run(1 "${SRC}" "${MISSING}")
expect_find("${ERR}" "コピー先のフォルダが開けません" "unreachable destination")
expect_match("${LAST}" "^copied=0 found=0 failed=1 removed=0 " "summary when refused")
expect_exists("${WORK}/no" NO "nothing made for an unreachable destination")

# "--" ends the options: a folder may be named like one.
file(MAKE_DIRECTORY "${WORK}/--sync")
file(WRITE "${WORK}/--sync/c.txt" "c")
native_path(DASHED "${WORK}/--sync")
run(0 --log "${LOG}" -- "${DASHED}" "${DST}")
expect_exists("${WORK}/dst/--sync/c.txt" YES "folder named like an option")
file(READ "${WORK}/job.log" log)
string(REGEX MATCHALL "copied=" summaries "${log}")
list(LENGTH summaries count)
if(NOT count EQUAL 2)
  message(SEND_ERROR "FAILED: --log appends: ${count} summaries in\n${log}")
endif()

# Settings per user: a program copy without mirtel.dat keeps none beside
# itself on Linux (on Windows its own writable folder makes it a portable
# copy); the settings folder is made on first use.
run(2 --last)
expect_find("${ERR}" "前回のコピーの記録がありません" "--last before any job")
run(0 --remember "${SRC}" "${DST}")
if(EMULATOR)
  set(SETTINGS "${WORK}/prog")
else()
  set(SETTINGS "${WORK}/config/mirtel")
  expect_exists("${WORK}/prog/mirtel.dat" NO "no history beside a program copy")
endif()
expect_exists("${SETTINGS}/mirtel.dat" YES "history in the settings folder")
expect_exists("${SETTINGS}/last-job.toml" YES "the last job beside the history")
if(NOT EMULATOR)
  # A mirtel.dat already beside the program makes it a portable copy.
  file(WRITE "${WORK}/prog/mirtel.dat" "")
  run(0 --remember "${SRC}" "${DST}")
  file(SIZE "${WORK}/prog/mirtel.dat" size)
  if(size EQUAL 0)
    message(SEND_ERROR "FAILED: the portable copy's mirtel.dat was not written")
  endif()
  expect_exists("${WORK}/prog/last-job.toml" YES "the portable copy's last job")
  file(REMOVE "${WORK}/prog/mirtel.dat" "${WORK}/prog/last-job.toml")
endif()

# --last runs the last job as a pair, even when the histories are full and
# its source is an old entry of them, and from another working folder than
# the relative folders it was given in.
foreach(i RANGE 0 9)
  file(WRITE "${WORK}/s${i}/f.txt" "${i}")
  native_path(S "${WORK}/s${i}")
  run(0 --remember "${S}" "${DST}")
endforeach()
file(MAKE_DIRECTORY "${WORK}/d2")
run(0 --remember s0 d2)
set(RUN_DIR "${WORK}/prog")
run(0 --last)
expect_exists("${WORK}/d2/s0/f.txt" YES "--last ran the last pair")
expect_exists("${WORK}/d2/s9" NO "--last took no newest entries apart")
file(READ "${SETTINGS}/last-job.toml" last)
string(REPLACE "\\" "/" last "${last}")
expect_find("${last}" "s0" "the last job's source")
expect_match("${last}" "source = ['\"](/|[A-Za-z]:)" "the last job's source is absolute")
set(RUN_DIR "${WORK}")

# Saved jobs: saved with their mode and options, listed, run by name, kept
# through the file's keys others add, refused on another volume or a damaged
# file (which stays as it was), and deleted.
set(jobs "${SETTINGS}/jobs.toml")
run(0 --save-job nightly --sync --count-first "${SRC}" "${DST}")
expect_find("${OUT}" "ジョブ「nightly」を保存しました：同期コピー" "job saved")
expect_exists("${jobs}" YES "jobs file")
run(2 --save-job nightly "${MISSING}" "${DST}")
expect_find("${ERR}" "コピー元が存在しません。" "a job that cannot run is not saved")
run(0 --save-job 写真 "${SRC}" "${DST}")
run(0 --jobs)
expect_match("${OUT}" "nightly\t同期コピー\t[^\n]*src → [^\n]*dst\n" "list of jobs")
expect_find("${OUT}" "写真\t通常コピー" "a Japanese job name")
file(REMOVE "${WORK}/src/a.txt")
file(WRITE "${WORK}/dst/src/stray.txt" "s")
run(0 --job nightly)
expect_match("${LAST}" "^copied=0 found=1 failed=0 removed=2 " "saved sync job ran")
file(WRITE "${WORK}/src/a.txt" "a")
run(2 --job nosuch)
expect_find("${ERR}" "ジョブ「nosuch」はありません" "unknown job")
run(2 --job nightly "${SRC}")
expect_find("${ERR}" "--job takes no folders" "a job takes no folders")

file(READ "${jobs}" saved)
string(REGEX REPLACE "destination_volume = ['\"][^'\"\n]*['\"]" "destination_volume = 'elsewhere'"
       moved "${saved}")
file(WRITE "${jobs}" "${moved}")
file(REMOVE_RECURSE "${WORK}/dst/src")
run(2 --job nightly)
expect_find("${ERR}" "別のボリューム" "another volume refused")
expect_exists("${WORK}/dst/src" NO "nothing copied to another volume")

file(WRITE "${jobs}" "${saved}[jobs.nightly\nbroken")
file(READ "${jobs}" damaged)
run(2 --job nightly)
expect_find("${ERR}" "行目" "a damaged jobs file names its line")
run(2 --save-job other "${SRC}" "${DST}")
file(READ "${jobs}" after)
if(NOT after STREQUAL damaged)
  message(SEND_ERROR "FAILED: a damaged jobs file was changed")
endif()

string(REPLACE "[jobs.nightly]\n" "[jobs.nightly]\nversions = 3\n" kept "${saved}")
file(WRITE "${jobs}" "${kept}")
run(0 --save-job nightly --sync "${SRC}" "${DST}")
file(READ "${jobs}" resaved)
expect_find("${resaved}" "versions = 3" "a key added by hand survives")
run(0 --delete-job nightly)
run(2 --delete-job nightly)
run(0 --delete-job 写真)
run(0 --jobs)
expect_find("${OUT}" "保存したジョブはありません" "no jobs left")

# The guard on a real volume: a backup disk (a tmpfs here) saved as the
# destination and then unmounted leaves an empty mount point that is never
# filled.
if(NOT EMULATOR)
  file(MAKE_DIRECTORY "${WORK}/disk")
  execute_process(COMMAND mount -t tmpfs -o size=4m mirtel-test "${WORK}/disk"
                  RESULT_VARIABLE mounted OUTPUT_QUIET ERROR_QUIET)
  if(NOT mounted EQUAL 0)
    message(STATUS "skipped: the volume guard on a tmpfs (mount is not allowed here)")
  else()
    run(0 --save-job disk "${SRC}" "${WORK}/disk")
    run(0 --job disk)
    expect_exists("${WORK}/disk/src/a.txt" YES "copied onto the mounted disk")
    execute_process(COMMAND umount "${WORK}/disk")
    run(2 --job disk)
    expect_find("${ERR}" "別のボリューム" "the unmounted disk refused")
    expect_exists("${WORK}/disk/src" NO "the mount point stays empty")
  endif()
endif()

if(CHECK_TRASH)
  # Most of the destination would go: refused without --force-remove.
  foreach(i RANGE 1 12)
    file(WRITE "${WORK}/dst/src/old${i}.txt" "o")
  endforeach()
  run(4 --sync "${SRC}" "${DST}")
  expect_find("${ERR}" "--force-remove" "the guard says how to go ahead")
  expect_exists("${WORK}/dst/src/old1.txt" YES "kept by the guard")
  run(0 --sync --force-remove "${SRC}" "${DST}")
  expect_match("${LAST}" "^copied=0 found=1 failed=0 removed=12 " "forced sync")
  file(REMOVE "${WORK}/src/a.txt")
  run(0 --sync --verbose "${SRC}" "${DST}")
  expect_find("${OUT}" "result: a.txtを削除\n" "verbose line of the removal")
  expect_match("${LAST}" "^copied=0 found=1 failed=0 removed=1 " "sync")
  expect_exists("${WORK}/dst/src/a.txt" NO "removed from the destination")
  expect_exists("${WORK}/xdg/Trash/files/a.txt" YES "moved into the Trash")
  expect_exists("${WORK}/src/sub/b.txt" YES "source untouched")
endif()

file(REMOVE_RECURSE "${WORK}")
