# Shared part of the Windows toolchains: MinGW-w64 with the posix thread model (GoogleTest needs
# it). Set QVGFX_MINGW_TRIPLE before including this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QVGFX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QVGFX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QVGFX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QVGFX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages may come from the target root or from an install prefix given on the command line.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The compiler's run-time libraries are linked in statically: every binary imports only
# system DLLs and the two host DLLs, and nothing else has to travel beside it.
foreach(kind EXE_LINKER SHARED_LINKER MODULE_LINKER)
    set(CMAKE_${kind}_FLAGS_INIT "-static")
endforeach()

# The target's strip, for the stripped install (the host's strip does not know PE files).
find_program(CMAKE_STRIP ${QVGFX_MINGW_TRIPLE}-strip)
