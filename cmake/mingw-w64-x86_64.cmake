# 64-bit Windows: programs run under wine64 (see wine64-run).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QVGFX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine64-run)
