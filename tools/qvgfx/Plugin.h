// Loading the plug-in as a host does: open the module file, find jwCreateFactory, register.
#pragma once

#include <string>
#include <utility>

#include "host/QVGFX.h"
#include "tools/qvgfx/Failure.h"

// One reference to an object made by the module, released when the handle goes.
template <class T>
class Object {
public:
    explicit Object(T* object) : m_Object(object) {}
    Object(Object&& other) noexcept : m_Object(other.m_Object) { other.m_Object = nullptr; }
    Object& operator=(Object&& other) noexcept
    {
        std::swap(m_Object, other.m_Object);
        return *this;
    }
    ~Object()
    {
        if (m_Object)
            m_Object->Release();
    }
    T* operator->() const { return m_Object; }
    T* Get() const { return m_Object; }

private:
    T* m_Object;
};

class Plugin {
public:
    ~Plugin();

    // Loads the module at `path` (empty: QVGFX_Basics.jwx beside this program), creates its
    // factory and registers its classes. Returns false with a message in `error`.
    bool Load(const std::string& path, std::string& error);

    // The file Load opens for `path`.
    static std::string ModulePath(const std::string& path);

    CQVFactory* Factory() const { return m_Factory; }
    const std::string& Path() const { return m_Path; }

    // The id of the first registered converter, or canvas with the given codes, that accepts the
    // formats; 0 if none. A canvas code of 0 matches any.
    uint32_t ConverterFor(const CQVFormat& source, const CQVFormat& destination) const;
    uint32_t CanvasFor(const CQVFormat& destination, uint32_t operation, uint32_t drawOrFill = 0,
                       uint32_t colorOrSurface = 0) const;

    // A new object of the class, as the host base T; throws Failure when the factory gives none
    // or the object is not a T.
    template <class T>
    Object<T> Create(uint32_t classId) const;

private:
    void* m_Handle = nullptr;
    CQVFactory* m_Factory = nullptr;
    std::string m_Path;
};

// The directory of the running executable, with a trailing separator.
std::string ProgramDirectory();

template <class T>
Object<T> Plugin::Create(uint32_t classId) const
{
    CQVFactoryObject* made = m_Factory->CreateObject(classId);
    T* object = dynamic_cast<T*>(made);
    if (object == nullptr) {
        if (made)
            made->Release();
        throw Failure("the module gave no usable object for class " + std::to_string(classId));
    }
    return Object<T>(object);
}
