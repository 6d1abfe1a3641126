// Export decoration for the two host framework libraries.
#pragma once

#if defined(_WIN32)
#define QV_DLL_EXPORT __declspec(dllexport)
#define QV_DLL_IMPORT __declspec(dllimport)
#else
#define QV_DLL_EXPORT __attribute__((visibility("default")))
#define QV_DLL_IMPORT __attribute__((visibility("default")))
#endif

#if defined(QVLIBRARY_BUILD)
#define QVLIBRARY_API QV_DLL_EXPORT
#else
#define QVLIBRARY_API QV_DLL_IMPORT
#endif

#if defined(QVGFX_BUILD)
#define QVGFX_API QV_DLL_EXPORT
#else
#define QVGFX_API QV_DLL_IMPORT
#endif
