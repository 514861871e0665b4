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
# wine_run.sh: the build folder's own prefix, made at the first run, quiet,
# with no install prompts and no display, so that a plain `ctest` needs
# nothing from the caller.
if(CMAKE_CROSSCOMPILING AND MIRTEL_WINE AND NOT MIRTEL_WINE_PREFIX)
  find_program(MIRTEL_WINESERVER NAMES wineserver REQUIRED)
  set(MIRTEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "/bin/sh;${CMAKE_CURRENT_LIST_DIR}/wine_run.sh;${MIRTEL_WINE_PREFIX};${MIRTEL_WINE}"
      "${MIRTEL_WINESERVER}")
endif()

# A test executable run by CTest, natively or under Wine.
function(mirtel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  mirtel_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    # The mingw runtime is linked in, so the .exe runs under Wine alone.
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
  # An empty ENVIRONMENT would swallow the next property name: the time
  # limit must reach every test (a job must never hang).
  if(ARG_ENV)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT 300)
  endif()
endfunction()
