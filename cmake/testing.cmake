# GoogleTest, cross-built from Debian's sources, and the one way to add a test executable.
include(GoogleTest)
if(NOT TARGET gtest_main)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main)
    target_compile_options(${t} PRIVATE -w)
  endforeach()
endif()

set(TW_TEST_TIMEOUT 60 CACHE STRING "Default per-test timeout in seconds")
# The shipping i686 build runs each test executable whole, as one process: that shows every
# executable passes whole, and where 32-bit programs go through an emulator that is slow to
# start a process, it keeps the number of starts small. x86_64 runs every test in a process
# of its own.
if(TW_IS_X64)
  set(tw_whole_default OFF)
else()
  set(tw_whole_default ON)
endif()
option(TW_TEST_WHOLE_EXECUTABLES "Run each test executable as one ctest test" ${tw_whole_default})
set(TW_WHOLE_EXECUTABLE_TIMEOUT 1500 CACHE STRING "Timeout of one whole test executable in seconds")

# tw_add_gtest(NAME exe SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s])
function(tw_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT ${TW_TEST_TIMEOUT})
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gtest_main gtest)
  if(TW_TEST_WHOLE_EXECUTABLES)
    # One process runs every test of the executable, one after another.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${TW_WHOLE_EXECUTABLE_TIMEOUT})
  else()
    # Each test runs in its own process under wine; discovery happens when ctest runs,
    # inside the wine environment that scripts/test sets up.
    gtest_discover_tests(${T_NAME}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
      PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()
