# make install into a scratch DESTDIR: the programs, the help, the menu
# entry and the icons land where the desktop looks, and the installed
# mirtel-cli runs a job.
#   cmake -DBUILD=build folder -DWORK=scratch folder -P this
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
set(ENV{DESTDIR} "${WORK}/root")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "FAILED: install: ${status}\n${err}")
endif()

set(usr "${WORK}/root/usr")
foreach(file bin/mirtel bin/mirtel-cli share/mirtel/Mirtel.html
             share/applications/mirtel.desktop share/icons/hicolor/48x48/apps/mirtel.png
             share/icons/hicolor/256x256/apps/mirtel.png
             share/icons/hicolor/scalable/apps/mirtel.svg)
  if(NOT EXISTS "${usr}/${file}")
    message(SEND_ERROR "FAILED: not installed: ${file}")
  endif()
endforeach()
file(READ "${usr}/share/applications/mirtel.desktop" entry)
foreach(line "Name[ja]=みるてる" "Exec=mirtel" "Icon=mirtel" "Categories=Utility;")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "FAILED: the desktop entry has no '${line}'")
  endif()
endforeach()

file(WRITE "${WORK}/src/写真/a.txt" "a")
file(MAKE_DIRECTORY "${WORK}/dst")
execute_process(COMMAND "${usr}/bin/mirtel-cli" "${WORK}/src/写真" "${WORK}/dst"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out MATCHES "copied=1 found=1 failed=0 removed=0")
  message(SEND_ERROR "FAILED: installed mirtel-cli: ${status}\n${out}\n${err}")
endif()
if(NOT EXISTS "${WORK}/dst/写真/a.txt")
  message(SEND_ERROR "FAILED: installed mirtel-cli copied nothing")
endif()
file(REMOVE_RECURSE "${WORK}")
