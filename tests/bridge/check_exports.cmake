# Checks a built TidewellLink.dll against link_exports.h: module name, exactly
# the listed exports, undecorated, each with its ordinal, names in byte order.
# cmake -DDLL=... -DEXPORTS_HEADER=... -DOBJDUMP=... -P check_exports.cmake

execute_process(COMMAND ${OBJDUMP} -p "${DLL}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed OR NOT EXISTS "${DLL}" OR NOT dump MATCHES "Name[ \t]+[0-9a-f]+[ \t]+TidewellLink\\.dll")
  message(FATAL_ERROR "${DLL}: unreadable, or its export directory does not name TidewellLink.dll")
endif()

file(READ "${EXPORTS_HEADER}" table)
string(REGEX MATCHALL "X\\([A-Za-z]+, [0-9]+," rows "${table}")
string(REGEX REPLACE "X\\(([A-Za-z]+), ([0-9]+)," "\\2:\\1" expected "${rows}")

# "[Ordinal/Name Pointer] Table" lists "[index] name" in name-table order.
string(REGEX MATCH "Ordinal Base ([0-9]+)" unused "${dump}")
set(base ${CMAKE_MATCH_1})
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)+)" unused "${dump}")
string(REGEX MATCHALL "\\[[ 0-9]+\\] [^\n]+" entries "${CMAKE_MATCH_1}")
set(found "")
set(names "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)" unused "${entry}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND found "${ordinal}:${CMAKE_MATCH_2}")
  list(APPEND names "${CMAKE_MATCH_2}")
endforeach()

set(sorted_names ${names})
list(SORT sorted_names COMPARE STRING CASE SENSITIVE)
list(LENGTH expected expected_count)
list(SORT found)
list(SORT expected)
if(NOT names STREQUAL sorted_names OR NOT expected_count EQUAL 58 OR NOT found STREQUAL expected)
  message(FATAL_ERROR "exports differ from the 58 of link_exports.h or are not in byte order\n"
                      "found:    ${found}\nexpected: ${expected}\nname order: ${names}")
endif()
