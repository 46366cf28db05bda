# Shipping 32-bit build.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
# x87 keeps 80-bit intermediates; SSE makes float results match the x86_64 build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# Run under Debian's 32-bit wine loader, in the same prefix as wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec /usr/lib/wine/wine)
