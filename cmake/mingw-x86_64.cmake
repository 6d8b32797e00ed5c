# 64-bit Windows programs: the win64 preset.
set(SETUP_MINGW_TRIPLE x86_64-w64-mingw32)
set(SETUP_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
