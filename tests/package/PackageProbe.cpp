// Loads the installed plug-in as a host does and checks that it serves its sixteen classes.
#include <QVGFX.h>
#include <QVGFX_Basics.h>
#include <QVLibrary.h>

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

static int Fail(const char* what)
{
    std::fprintf(stderr, "package_probe: %s\n", what);
    return 1;
}

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : QVGFX_BASICS_MODULE;
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path);
    void* entry = module ? reinterpret_cast<void*>(GetProcAddress(module, "jwCreateFactory")) : nullptr;
#else
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    void* entry = module ? dlsym(module, "jwCreateFactory") : nullptr;
#endif
    if (entry == nullptr)
        return Fail("cannot load jwCreateFactory from the installed module");

    CQVFactory* factory = nullptr;
    if (!reinterpret_cast<JwCreateFactoryFunction>(entry)(&factory) || factory == nullptr)
        return Fail("jwCreateFactory gave no factory");
    if (factory->GetReferenceCount() != 1)
        return Fail("the factory's reference count is not 1");

    factory->RegisterClasses();
    if (CQVRepository::Count() != 16)
        return Fail("RegisterClasses did not register sixteen classes");
    for (uint32_t i = 0; i < CQVRepository::Count(); ++i) {
        uint32_t id = CQVRepository::EntryAt(i)->GetClassID();
        CQVFactoryObject* object = factory->CreateObject(id);
        if (object == nullptr || object->GetClassID() != id)
            return Fail("a registered class cannot be created");
        object->Release();
    }
    if (factory->CreateObject(0) != nullptr)
        return Fail("class id 0 gave an object");
    if (ConverterEntriesFor(CQVFormat(2, 'B', 'G', 'R', 'A'), CQVFormat(1, 'B', 'G', 'R')).empty())
        return Fail("no converter from 8/8/8/8 to 8/8/8");

    CQVRepository::Clear();
    factory->Release();
    std::printf("package_probe: %u classes registered and created from %s\n", 16u, path);
    return 0;
}
