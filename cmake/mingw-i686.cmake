# 32-bit Windows programs: the win32 preset.
set(SETUP_MINGW_TRIPLE i686-w64-mingw32)
set(SETUP_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
