# The shipping folder holds the three deliverables and nothing else.
# cmake -DDIR=... -P check_shipping.cmake
file(GLOB_RECURSE found LIST_DIRECTORIES false "${DIR}/*")
list(TRANSFORM found REPLACE "^${DIR}/" "")
list(SORT found)
set(expected "Orbenlake Tidewell ScreenSaver/TidewellLink.dll;twsaver.scr;twsaverx.exe")
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "${DIR} holds:\n  ${found}\nexpected:\n  ${expected}")
endif()
