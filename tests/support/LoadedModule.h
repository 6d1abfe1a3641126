// The built QVGFX_Basics.jwx, loaded at run time the way a host loads it.
#pragma once

#include <memory>

#include "host/QVGFX.h"
#include "module/QVGFX_Basics.h"

// Loads the module once per test program and keeps it loaded.
JwCreateFactoryFunction ModuleEntryPoint();

// A factory made by the loaded module, kept for the whole test program.
CQVFactory* ModuleFactory();

// Creates an object of the loaded module by class id and casts it to the interface T.
// The caller owns the reference; ObjectPtr releases it.
template <class T>
T* CreateAs(uint32_t classId)
{
    return dynamic_cast<T*>(ModuleFactory()->CreateObject(classId));
}

// Releases a host object's reference when it goes out of scope.
struct Releaser {
    void operator()(CQVRefCounter* p) const { p->Release(); }
};
template <class T>
using ObjectPtr = std::unique_ptr<T, Releaser>;

template <class T>
ObjectPtr<T> Create(uint32_t classId)
{
    return ObjectPtr<T>(CreateAs<T>(classId));
}
