# i386 Linux: the host's multilib compiler with -m32; programs run under qemu-i386.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
foreach(kind C CXX EXE_LINKER SHARED_LINKER MODULE_LINKER)
    set(CMAKE_${kind}_FLAGS_INIT "-m32")
endforeach()

find_program(QVGFX_QEMU_I386 qemu-i386)
if(QVGFX_QEMU_I386)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QVGFX_QEMU_I386})
endif()
