#include "tools/qvgfx/Plugin.h"

#include "module/QVGFX_Basics.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
void* OpenLibrary(const std::string& path)
{
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}
void* FindSymbol(void* handle, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
std::string LastError() { return "error " + std::to_string(GetLastError()); }
#else
void* OpenLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }
void* FindSymbol(void* handle, const char* name) { return dlsym(handle, name); }
void CloseLibrary(void* handle) { dlclose(handle); }
std::string LastError()
{
    const char* e = dlerror();
    return e ? e : "unknown error";
}
#endif

}  // namespace

std::string ProgramDirectory()
{
#if defined(_WIN32)
    char buffer[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer, n);
    std::size_t slash = path.find_last_of("\\/");
#else
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path(buffer, n > 0 ? std::size_t(n) : 0);
    std::size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string Plugin::ModulePath(const std::string& path)
{
    std::string p = path.empty() ? ProgramDirectory() + "QVGFX_Basics.jwx" : path;
    // A name without a directory would be searched on the library path: anchor it here.
    if (p.find('/') == std::string::npos && p.find('\\') == std::string::npos)
        p = "./" + p;
    return p;
}

Plugin::~Plugin()
{
    // Entries and objects made by the module must go before its code does.
    CQVRepository::Clear();
    if (m_Factory)
        m_Factory->Release();
    if (m_Handle)
        CloseLibrary(m_Handle);
}

bool Plugin::Load(const std::string& path, std::string& error)
{
    m_Path = ModulePath(path);
    m_Handle = OpenLibrary(m_Path);
    if (m_Handle == nullptr) {
        error = "cannot load module " + m_Path + ": " + LastError();
        return false;
    }
    auto create =
        reinterpret_cast<JwCreateFactoryFunction>(FindSymbol(m_Handle, "jwCreateFactory"));
    if (create == nullptr) {
        error = m_Path + " has no jwCreateFactory: not a plug-in module";
        return false;
    }
    if (!create(&m_Factory) || m_Factory == nullptr) {
        error = m_Path + ": jwCreateFactory gave no factory";
        return false;
    }
    m_Factory->RegisterClasses();
    return true;
}

uint32_t Plugin::ConverterFor(const CQVFormat& source, const CQVFormat& destination) const
{
    auto found = ConverterEntriesFor(source, destination);
    return found.empty() ? 0 : found.front()->GetClassID();
}

uint32_t Plugin::CanvasFor(const CQVFormat& destination, uint32_t operation, uint32_t drawOrFill,
                           uint32_t colorOrSurface) const
{
    auto matches = [](uint32_t code, uint32_t wanted) { return wanted == 0 || code == wanted; };
    for (CQVCanvasEntry* e : CanvasEntriesFor(destination))
        if (matches(e->GetCode(0), operation) && matches(e->GetCode(1), drawOrFill) &&
            matches(e->GetCode(2), colorOrSurface))
            return e->GetClassID();
    return 0;
}
