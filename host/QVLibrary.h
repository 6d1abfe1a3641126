// QVLibrary: object bases, reference counting, factories, the class repository and strings.
//
// This is a small, real stand-in for the host framework library. The virtual operations are
// declared in the host's slot order; everything after the "host side" markers is what a host
// application (or a test acting as one) uses to drive and watch a plug-in.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QVExport.h"

class CQVPtrArray;
class CQVNodeParser;
class CQVFactoryObject;

// Virtual base of every host object. Allocation goes through the class-wide operators so that
// the host controls (and here counts) every object a plug-in makes.
class QVLIBRARY_API CQVShareable {
public:
    CQVShareable() = default;
    CQVShareable(const CQVShareable&) = delete;
    CQVShareable& operator=(const CQVShareable&) = delete;
    virtual ~CQVShareable();

    // Returns null when memory runs out (or when a test asks for a failure): callers must check.
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* p) noexcept;

    // Host side: allocation accounting and fault injection.
    static uint64_t AllocationCount();  // successful allocations so far
    static int64_t LiveAllocations();   // allocated and not yet freed
    // The next `skip` allocations succeed, then `count` allocations return null.
    static void FailAllocations(uint32_t skip, uint32_t count = 1);
};

// 16-bit reference count, 0 after construction.
class QVLIBRARY_API CQVRefCounter : public virtual CQVShareable {
public:
    CQVRefCounter() = default;
    ~CQVRefCounter() override;

    // Lowers the count; at zero the object deletes itself. Returns the new count.
    virtual int16_t Release();

    void AddReference() { ++m_RefCount; }
    uint16_t GetReferenceCount() const { return m_RefCount; }

private:
    uint16_t m_RefCount = 0;
};

// A string handle built from a zero-terminated string; passed by value.
class QVLIBRARY_API CQVString {
public:
    CQVString(const char* text = "");
    CQVString(const CQVString& other);
    CQVString& operator=(const CQVString& other);
    ~CQVString();

    const char* c_str() const { return m_Text; }

    // Host side: handles alive right now, so tests can see that temporaries are released.
    static int64_t LiveCount();

private:
    char* m_Text;
};

// A factory hands out the objects of one plug-in by class id.
class QVLIBRARY_API CQVFactory : public CQVRefCounter {
public:
    ~CQVFactory() override;
    virtual CQVFactoryObject* CreateObject(uint32_t classId) = 0;
    virtual void Configure(uint32_t value) = 0;
    virtual void RegisterClasses() = 0;
};

// Base of every object a factory creates.
class QVLIBRARY_API CQVFactoryObject : public CQVRefCounter {
public:
    CQVFactoryObject();
    ~CQVFactoryObject() override;

    virtual uint32_t GetClassID() = 0;
    virtual CQVString GetName();
    virtual void SetName(CQVString name);
    virtual void GetReferences(CQVPtrArray* references, uint32_t flags);
    virtual bool OnRead(CQVNodeParser& parser, uint32_t version);
    virtual bool OnWrite(CQVNodeParser& parser, uint32_t version);

private:
    CQVString m_Name;
};

// One class offered to the host: its id, name, description, a third string and its type ids.
class QVLIBRARY_API CQVRepositoryEntry : public virtual CQVShareable {
public:
    enum class Kind : uint8_t { Plain, Canvas, Converter };

    CQVRepositoryEntry(uint32_t classId, CQVString name, CQVString description, CQVString third);
    ~CQVRepositoryEntry() override;

    // Records a type id after those recorded before; returns the entry so that calls chain.
    CQVRepositoryEntry& operator<<(uint32_t typeId);

    // Host side.
    Kind GetKind() const { return m_Kind; }
    uint32_t GetClassID() const { return m_ClassId; }
    const char* GetName() const { return m_Name.c_str(); }
    const char* GetDescription() const { return m_Description.c_str(); }
    const char* GetThird() const { return m_Third.c_str(); }
    uint32_t GetTypeIdCount() const { return m_TypeIdCount; }
    uint32_t GetTypeId(uint32_t i) const { return i < m_TypeIdCount ? m_TypeIds[i] : 0; }

    static const uint32_t kMaxTypeIds = 16;

protected:
    Kind m_Kind = Kind::Plain;

private:
    uint32_t m_ClassId;
    CQVString m_Name;
    CQVString m_Description;
    CQVString m_Third;
    uint32_t m_TypeIds[kMaxTypeIds] = {};
    uint32_t m_TypeIdCount = 0;
};

// The global class repository. It owns every entry registered with it.
class QVLIBRARY_API CQVRepository {
public:
    static bool Register(CQVFactory* factory, CQVRepositoryEntry* entry);

    // Host side.
    static uint32_t Count();
    static CQVRepositoryEntry* EntryAt(uint32_t i);
    static CQVFactory* FactoryAt(uint32_t i);
    static void Clear();                       // deletes every entry
    static void RefuseRegistrations(bool on);  // refused entries are deleted at once
    static uint32_t RegisterCalls();           // calls of Register, refused ones included
};
