# Checks a built TidewellLink.dll against link_exports.h: module name, exactly
# the listed exports, undecorated, each with its ordinal.
# cmake -DDLL=... -DEXPORTS_HEADER=... -DOBJDUMP=... -P check_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${DLL}" OR NOT dump MATCHES "Name[ \t]+[0-9a-f]+[ \t]+TidewellLink\\.dll")
  message(FATAL_ERROR "${DLL}: unreadable, or its export directory does not name TidewellLink.dll")
endif()
string(REGEX MATCH "Ordinal Base ([0-9]+)" unused "${dump}")
set(base ${CMAKE_MATCH_1})
# "[Ordinal/Name Pointer] Table" lists "[ordinal - base] name".
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)+)" unused "${dump}")
string(REGEX MATCHALL "\\[[ 0-9]+\\] [^\n]+" entries "${CMAKE_MATCH_1}")
set(found "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)" unused "${entry}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND found "${ordinal}:${CMAKE_MATCH_2}")
endforeach()
file(READ "${EXPORTS_HEADER}" table)
string(REGEX MATCHALL "X\\([A-Za-z]+, [0-9]+," rows "${table}")
string(REGEX REPLACE "X\\(([A-Za-z]+), ([0-9]+)," "\\2:\\1" expected "${rows}")
list(LENGTH expected expected_count)
list(SORT found)
list(SORT expected)
if(NOT expected_count EQUAL 58 OR NOT found STREQUAL expected)
  message(FATAL_ERROR "exports differ from the 58 of link_exports.h\nfound:    ${found}\nexpected: ${expected}")
endif()
# No thread-local object with a destructor: the runtime would register a thread-exit key for it
# and delete that key when the process ends, waiting for a lock that threads take as they end
# (see TidewellLink/thread_text_slot.h); hosts were seen hanging there at exit.
execute_process(COMMAND ${OBJDUMP} -t "${DLL}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed OR NOT symbols MATCHES "DllMain")
  message(FATAL_ERROR "${DLL}: no symbol table to look for thread-exit destructors in")
endif()
if(symbols MATCHES "__cxa_thread_atexit")
  message(FATAL_ERROR "${DLL} registers thread-local destructors (__cxa_thread_atexit)")
endif()
