# 32-bit Windows, the module's real home. Nothing here runs its programs: it is built and its
# binaries are inspected.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QVGFX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
