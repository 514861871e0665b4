# The project's warning set; errors when MIRTEL_WERROR is on (CI).
function(mirtel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(MIRTEL_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                                              -Wold-style-cast)
    if(MIRTEL_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# GoogleTest: the system's package natively; built from Debian's sources
# (googletest package) with the cross toolchain for Windows.
macro(mirtel_find_gtest)
  if(CMAKE_CROSSCOMPILING OR MSVC)
    if(NOT TARGET GTest::gtest_main)
      set(MIRTEL_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
      set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
      add_subdirectory(${MIRTEL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
      # Newer GoogleTest sources define the namespaced aliases themselves.
      if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
      endif()
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endmacro()

# Under Wine every test, and the listing of its cases, runs through
# wine_run.sh: the build folder's own prefix and home, made at the first run,
# quiet, with no install prompts and no display, so that a plain `ctest`
# needs nothing from the caller. The fixture `wine` ends the prefix's server
# and whatever is left in it once the tests that use it are done.
if(CMAKE_CROSSCOMPILING AND MIRTEL_WINE AND NOT MIRTEL_WINE_PREFIX)
  find_program(MIRTEL_WINESERVER NAMES wineserver REQUIRED)
  set(MIRTEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "/bin/sh;${CMAKE_CURRENT_LIST_DIR}/wine_run.sh;${MIRTEL_WINE_PREFIX};${MIRTEL_WINE}"
      "${MIRTEL_WINESERVER}")
endif()

# Every test runs with a home, settings, data (so a Trash), cache and
# temporary folder of its own under the build folder, never its caller's.
# They speak Japanese, the original whose texts they compare.
set(MIRTEL_TEST_HOME "${CMAKE_BINARY_DIR}/test-home")
set(MIRTEL_TEST_ENV
    "HOME=${MIRTEL_TEST_HOME}" "XDG_CONFIG_HOME=${MIRTEL_TEST_HOME}/.config"
    "XDG_DATA_HOME=${MIRTEL_TEST_HOME}/.local/share" "XDG_CACHE_HOME=${MIRTEL_TEST_HOME}/.cache"
    "XDG_STATE_HOME=${MIRTEL_TEST_HOME}/.local/state" "TMPDIR=${CMAKE_BINARY_DIR}/test-tmp"
    "MIRTEL_LANG=ja")

# What every test gets besides its environment: its time limit (a job must
# never hang), and under Wine the fixture that ends the server.
set(MIRTEL_TEST_PROPERTIES TIMEOUT 300)
if(MIRTEL_WINE_PREFIX)
  list(APPEND MIRTEL_TEST_PROPERTIES FIXTURES_REQUIRED wine)
endif()

# For tests added with add_test(): the common properties, and the common
# environment followed by the test's own entries (the later ones win).
function(mirtel_set_test_properties test)
  set_tests_properties(${test} PROPERTIES ${MIRTEL_TEST_PROPERTIES}
                                          ENVIRONMENT "${MIRTEL_TEST_ENV};${ARGN}")
endfunction()

# A test executable run by CTest, natively or under Wine, one CTest test per
# case (FILTER: a GoogleTest filter of the cases to list; COST: how slow its
# cases are, so that the slowest start first even on a fresh machine). The listing of the cases cannot carry a list-valued property, so the
# environment is set on them by a file CTest reads after the listing.
function(mirtel_add_test name)
  cmake_parse_arguments(ARG "" "FILTER;COST" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  mirtel_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    # The mingw runtime is linked in, so the .exe runs under Wine alone.
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  if(NOT ARG_FILTER)
    set(ARG_FILTER "*")
  endif()
  if(NOT ARG_COST)
    set(ARG_COST 0)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
                       TEST_FILTER "${ARG_FILTER}"
                       PROPERTIES ${MIRTEL_TEST_PROPERTIES} COST ${ARG_COST})
  set(env_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
  file(WRITE "${env_file}"
       "if(${name}_TESTS)\n"
       "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT\n"
       "                       [==[${MIRTEL_TEST_ENV};${ARG_ENV}]==])\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_file}")
endfunction()
