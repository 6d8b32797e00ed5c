# The MinGW-w64 cross toolchain for the triple SETUP_MINGW_TRIPLE and SETUP_MINGW_PROCESSOR, set
# by mingw-i686.cmake (win32 preset) and mingw-x86_64.cmake (win64 preset) before they include it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SETUP_MINGW_PROCESSOR})
set(CMAKE_C_COMPILER ${SETUP_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SETUP_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SETUP_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SETUP_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Only system DLLs at run time: the C++ runtime, winpthread and zlib are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Link zlib into the programs rather than needing zlib1.dll beside them.
set(ZLIB_USE_STATIC_LIBS ON)
