# The build that runs here under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
