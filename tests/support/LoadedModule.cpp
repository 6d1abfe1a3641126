#include "tests/support/LoadedModule.h"

#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

JwCreateFactoryFunction ModuleEntryPoint()
{
    static JwCreateFactoryFunction entry = [] {
        const char* path = std::getenv("QVGFX_BASICS_MODULE");
        if (path == nullptr || *path == 0)
            path = QVGFX_BASICS_MODULE;
#if defined(_WIN32)
        HMODULE module = LoadLibraryA(path);
        void* symbol = module ? reinterpret_cast<void*>(GetProcAddress(module, "jwCreateFactory")) : nullptr;
#else
        void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        void* symbol = module ? dlsym(module, "jwCreateFactory") : nullptr;
#endif
        if (symbol == nullptr) {
            std::fprintf(stderr, "cannot load jwCreateFactory from %s\n", path);
            std::abort();
        }
        return reinterpret_cast<JwCreateFactoryFunction>(symbol);
    }();
    return entry;
}

CQVFactory* ModuleFactory()
{
    static CQVFactory* factory = [] {
        CQVFactory* f = nullptr;
        ModuleEntryPoint()(&f);
        if (f == nullptr)
            std::abort();
        return f;
    }();
    return factory;
}
