# Installation, the CMake package config, the pkg-config file and one archive per target.
#
# Windows: everything a host runs (QVLibrary.dll, QVGFX.dll, QVGFX_Basics.jwx, qvgfx.exe) in bin,
# side by side as the host loads them. Linux: the host libraries in lib, the plug-in and qvgfx in
# lib/qvgfx (qvgfx looks for the plug-in beside itself), with bin/qvgfx a link to it.
#
# Installed binaries are stripped (symbol tables and debug sections); the build tree keeps them.
# The plug-in keeps its one dynamic export, the host libraries theirs.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Set before the install rules below, which strip what they install when it is on: both
# `cmake --install` and cpack run these rules.
install(CODE "set(CMAKE_INSTALL_DO_STRIP ON)")

set(QVGFX_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/qvgfx)
set(QVGFX_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/QVGFX)
if(WIN32)
    set(QVGFX_INSTALL_MODULEDIR ${CMAKE_INSTALL_BINDIR})
else()
    set(QVGFX_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/qvgfx)
    file(RELATIVE_PATH rpath_to_libdir
        /${QVGFX_INSTALL_MODULEDIR} /${CMAKE_INSTALL_LIBDIR})
    string(REGEX REPLACE "/$" "" rpath_to_libdir "${rpath_to_libdir}")
    set_target_properties(QVLibrary QVGFX PROPERTIES INSTALL_RPATH "$ORIGIN")
    set_target_properties(QVGFX_Basics PROPERTIES INSTALL_RPATH "$ORIGIN/${rpath_to_libdir}")
endif()

install(TARGETS QVLibrary QVGFX EXPORT QVGFXTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${QVGFX_INSTALL_INCLUDEDIR})
install(FILES
    ${PROJECT_SOURCE_DIR}/host/QVExport.h
    ${PROJECT_SOURCE_DIR}/host/QVLibrary.h
    ${PROJECT_SOURCE_DIR}/host/QVGFX.h
    ${PROJECT_SOURCE_DIR}/module/QVGFX_Basics.h
    ${PROJECT_SOURCE_DIR}/module/QVGFX_BasicsClasses.h
    DESTINATION ${QVGFX_INSTALL_INCLUDEDIR})
install(TARGETS QVGFX_Basics LIBRARY DESTINATION ${QVGFX_INSTALL_MODULEDIR})

if(TARGET qvgfx)
    if(WIN32)
        install(TARGETS qvgfx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    else()
        set_target_properties(qvgfx PROPERTIES INSTALL_RPATH "$ORIGIN/${rpath_to_libdir}")
        install(TARGETS qvgfx RUNTIME DESTINATION ${QVGFX_INSTALL_MODULEDIR})
        file(RELATIVE_PATH link_target /${CMAKE_INSTALL_BINDIR} /${QVGFX_INSTALL_MODULEDIR}/qvgfx)
        install(CODE "
            set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
            file(MAKE_DIRECTORY \"\${bindir}\")
            file(CREATE_LINK \"${link_target}\" \"\${bindir}/qvgfx\" SYMBOLIC)
            message(STATUS \"Installing: \${bindir}/qvgfx -> ${link_target}\")")
    endif()
endif()

# find_package(QVGFX): the targets QVGFX::QVLibrary and QVGFX::QVGFX, and QVGFX_BASICS_MODULE,
# the installed plug-in's path.
install(EXPORT QVGFXTargets NAMESPACE QVGFX:: DESTINATION ${QVGFX_INSTALL_CMAKEDIR})
set(QVGFX_MODULE_FILE ${QVGFX_INSTALL_MODULEDIR}/QVGFX_Basics.jwx)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QVGFXConfig.cmake.in
    ${CMAKE_BINARY_DIR}/QVGFXConfig.cmake
    INSTALL_DESTINATION ${QVGFX_INSTALL_CMAKEDIR}
    PATH_VARS QVGFX_MODULE_FILE)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/QVGFXConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/QVGFXConfig.cmake ${CMAKE_BINARY_DIR}/QVGFXConfigVersion.cmake
    DESTINATION ${QVGFX_INSTALL_CMAKEDIR})

# pkg-config. `cmake --install` writes the install prefix itself into the installed .pc, so that
# pkg-config prints plain paths; the archives carry the .pc as configured here, its prefix
# relative to the file, so that an unpacked archive works wherever it lies (ArchiveTop.cmake.in).
# On Linux, Libs carries a run-path to the host libraries, so that a program built from it starts
# without LD_LIBRARY_PATH.
file(RELATIVE_PATH pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
set(QVGFX_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
if(WIN32)
    set(QVGFX_PC_RPATH "")
else()
    set(QVGFX_PC_RPATH " -Wl,-rpath,\${libdir}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/qvgfx.pc.in ${CMAKE_BINARY_DIR}/qvgfx.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/qvgfx.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
install(CODE "
    set(pc \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig/qvgfx.pc\")
    file(READ \"\${pc}\" text)
    get_filename_component(prefix \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
    string(REGEX REPLACE \"^prefix=[^\\n]*\" \"prefix=\${prefix}\" text \"\${text}\")
    file(WRITE \"\${pc}\" \"\${text}\")")

# Every archive carries the license and a short README at its top; the license is also installed
# with the documentation.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(QVGFX_ARCHIVE_README ${CMAKE_CURRENT_LIST_DIR}/ArchiveReadme.md)
set(QVGFX_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/ArchiveTop.cmake.in ${CMAKE_BINARY_DIR}/ArchiveTop.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_BINARY_DIR}/ArchiveTop.cmake)

# cpack: a zip on Windows, a tar.gz on Linux, named after the system and the processor.
set(CPACK_PACKAGE_NAME QVGFX_Basics)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "QVGFX_Basics plug-in module with the host framework libraries it is built against")
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
else()
    set(CPACK_GENERATOR TGZ)
    set(CPACK_SYSTEM_NAME ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR})
endif()
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
