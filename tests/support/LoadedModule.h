// The built QVGFX_Basics.jwx, loaded at run time the way a host loads it.
#pragma once

#include "QVGFX.h"
#include "QVGFX_Basics.h"

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
template <class T>
class ObjectPtr {
public:
    explicit ObjectPtr(T* p = nullptr) : m_P(p) {}
    ~ObjectPtr()
    {
        if (m_P)
            m_P->Release();
    }
    ObjectPtr(const ObjectPtr&) = delete;
    ObjectPtr& operator=(const ObjectPtr&) = delete;
    T* operator->() const { return m_P; }
    T* get() const { return m_P; }
    explicit operator bool() const { return m_P != nullptr; }

private:
    T* m_P;
};

template <class T>
ObjectPtr<T> Create(uint32_t classId)
{
    return ObjectPtr<T>(CreateAs<T>(classId));
}
