# mirtel-cli as a user runs it: exit statuses, the summary line, the
# verbose lines, options, and, natively, the sync into a Trash of the test's own.
#   cmake -DCLI=exe -DWORK=scratch folder [-DEMULATOR=wine] [-DCHECK_TRASH=ON] -P this
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/src/sub" "${WORK}/dst")
file(WRITE "${WORK}/src/a.txt" "a")
file(WRITE "${WORK}/src/sub/b.txt" "b")
set(ENV{XDG_DATA_HOME} "${WORK}/xdg")

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
  execute_process(COMMAND ${EMULATOR} "${CLI}" ${ARGN}
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
run(0 --help)
expect_find("${OUT}" "Exit status:" "help")

# A preview changes nothing, and counts what the job then does.
run(0 --dry-run "${SRC}" "${DST}")
expect_match("${LAST}" "^dry_run=1 would_copy=2 found=1 failed=0 would_remove=0 "
             "preview of the first copy")
expect_find("${OUT}" "2個のファイルをコピーします（予定）" "preview's result line")
expect_find("${OUT}" "コピー予定：a.txt" "preview line")
expect_exists("${WORK}/dst/src" NO "nothing made by the preview")

native_path(LOG "${WORK}/job.log")
run(0 --log "${LOG}" "${SRC}" "${DST}")
expect_match("${LAST}" "${summary}" "summary line")
file(READ "${WORK}/job.log" log)
expect_match("${log}" "[0-9]+-[0-9]+-[0-9]+ [0-9]+:[0-9]+:[0-9]+ a.txt\n" "log line with the time")
expect_match("${log}" "copied=2 found=1 failed=0 removed=0 seconds=[0-9.]+\n[-0-9]+ [:0-9]+ 終了 status=0\n$"
             "log ends in the summary and the status")
expect_match("${LAST}" "^copied=2 found=1 failed=0 removed=0 " "first copy")
expect_exists("${WORK}/dst/src/sub/b.txt" YES "copied into dst/src/sub")

run(0 --verbose "${SRC}" "${DST}")
expect_find("${OUT}" "status: 同じ日付です\n" "verbose status of an unchanged file")
expect_match("${LAST}" "^copied=0 found=1 failed=0 removed=0 " "second run")

native_path(MISSING "${WORK}/no/such")
run(1 "${SRC}" "${MISSING}")
expect_find("${ERR}" "コピー先のフォルダが開けません" "unreachable destination")
expect_match("${LAST}" "^copied=0 found=0 failed=1 removed=0 " "summary when refused")

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
