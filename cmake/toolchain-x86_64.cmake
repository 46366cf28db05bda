# The build that runs here under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# Test processes start through a launcher that keeps wine off ctest's pipes.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec /usr/lib/wine/wine64)
