# make install into a scratch DESTDIR: the programs, the help, the menu
# entry, the icons, the man pages, the completions and the software centre's
# description land where the system looks; the installed programs give one
# version and mirtel-cli runs a job; every option mirtel-cli's help names is
# in its man page, in each shell's completion and in the help page.
#   cmake -DBUILD=build folder -DWORK=scratch folder [-DMAN_PAGES=ON] -P this
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
             share/icons/hicolor/scalable/apps/mirtel.svg share/doc/mirtel/copyright
             share/metainfo/org.mirtel.mirtel.metainfo.xml
             share/bash-completion/completions/mirtel-cli share/zsh/vendor-completions/_mirtel-cli
             share/fish/vendor_completions.d/mirtel-cli.fish)
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

# One version everywhere.
execute_process(COMMAND "${usr}/bin/mirtel-cli" --version OUTPUT_VARIABLE cli_version
                RESULT_VARIABLE status)
execute_process(COMMAND "${usr}/bin/mirtel" --version OUTPUT_VARIABLE window_version)
if(NOT status EQUAL 0 OR NOT cli_version MATCHES "^mirtel-cli ([0-9]+\\.[0-9]+\\.[0-9]+)\n")
  message(SEND_ERROR "FAILED: mirtel-cli --version: ${status} '${cli_version}'")
endif()
set(version "${CMAKE_MATCH_1}")
if(NOT window_version MATCHES "^mirtel ${version}\n.*MIT")
  message(SEND_ERROR "FAILED: mirtel --version: '${window_version}', not ${version}")
endif()
file(READ "${usr}/share/metainfo/org.mirtel.mirtel.metainfo.xml" metainfo)
string(FIND "${metainfo}" "<release version=\"${version}\"" at)
if(at EQUAL -1)
  message(SEND_ERROR "FAILED: the AppStream description is not of version ${version}")
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
                          "${usr}/share/metainfo/org.mirtel.mirtel.metainfo.xml"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "FAILED: appstreamcli validate:\n${out}")
  endif()
endif()

# Every option of the help, wherever a user looks for it.
execute_process(COMMAND "${usr}/bin/mirtel-cli" --help OUTPUT_VARIABLE help)
string(REGEX MATCHALL "(^|[ ,])--?[a-z][a-z-]*" options "${help}")
list(TRANSFORM options REPLACE "^[ ,]" "")
list(REMOVE_DUPLICATES options)
list(LENGTH options count)
if(count LESS 12)
  message(SEND_ERROR "FAILED: only ${count} options found in the help:\n${help}")
endif()
set(docs "${usr}/share/bash-completion/completions/mirtel-cli"
         "${usr}/share/zsh/vendor-completions/_mirtel-cli"
         "${usr}/share/fish/vendor_completions.d/mirtel-cli.fish" "${usr}/share/mirtel/Mirtel.html")
if(MAN_PAGES)
  list(APPEND docs "${usr}/share/man/man1/mirtel-cli.1.gz" "${usr}/share/man/man1/mirtel.1.gz")
endif()
foreach(doc ${docs})
  if(doc MATCHES "\\.gz$")
    execute_process(COMMAND gzip -dc "${doc}" OUTPUT_VARIABLE text)
    string(REPLACE "\\-" "-" text "${text}")
  else()
    file(READ "${doc}" text)
  endif()
  if(doc MATCHES "/mirtel\\.1\\.gz$")
    set(wanted --version)
  else()
    set(wanted ${options})
  endif()
  foreach(option ${wanted})
    # fish names an option without its dashes: -l dry-run, -s n.
    string(REGEX REPLACE "^--?" "" bare "${option}")
    if(NOT text MATCHES "[^a-z-]${option}([^a-z-]|$)" AND
       NOT (doc MATCHES "fish$" AND text MATCHES " -[ls] ${bare}( |$)"))
      if(NOT option STREQUAL "--" OR doc MATCHES "man1|html$")
        message(SEND_ERROR "FAILED: ${doc} does not name ${option}")
      endif()
    endif()
  endforeach()
endforeach()

# The completions offer those options in their shells, each shell with a
# home of the test's own.
foreach(var HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME)
  set(ENV{${var}} "${WORK}/home")
endforeach()
find_program(BASH bash)
if(BASH AND EXISTS /usr/share/bash-completion/bash_completion)
  execute_process(
    COMMAND ${BASH} -c [[
      . /usr/share/bash-completion/bash_completion
      . "$1"
      COMP_WORDS=(mirtel-cli -); COMP_CWORD=1; COMP_LINE="mirtel-cli -"; COMP_POINT=12
      _mirtel_cli mirtel-cli - mirtel-cli
      printf '%s
' "${COMPREPLY[@]}"]] bash "${usr}/share/bash-completion/completions/mirtel-cli"
    OUTPUT_VARIABLE offered)
  foreach(option ${options})
    if(NOT offered MATCHES "(^|\n)${option}\n")
      message(SEND_ERROR "FAILED: bash does not complete ${option}: ${offered}")
    endif()
  endforeach()
endif()
find_program(FISH fish)
if(FISH)
  execute_process(COMMAND ${FISH} --no-config -c "source $argv[1]; complete -C 'mirtel-cli -'"
                          "${usr}/share/fish/vendor_completions.d/mirtel-cli.fish"
                  OUTPUT_VARIABLE offered RESULT_VARIABLE status)
  foreach(option ${options})
    if(NOT option STREQUAL "--" AND NOT offered MATCHES "(^|\n)${option}[\t\n]")
      message(SEND_ERROR "FAILED: fish does not complete ${option}: ${status} ${offered}")
    endif()
  endforeach()
endif()
find_program(ZSH zsh)
if(ZSH)
  execute_process(COMMAND ${ZSH} -n "${usr}/share/zsh/vendor-completions/_mirtel-cli"
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "FAILED: the zsh completion does not parse: ${err}")
  endif()
endif()
file(REMOVE_RECURSE "${WORK}")
