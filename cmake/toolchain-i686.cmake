# Shipping 32-bit build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# x87 keeps 80-bit intermediates; SSE makes float results match the x86_64 build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
