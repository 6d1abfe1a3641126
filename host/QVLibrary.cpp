// Stand-in implementation of the host's object library.
#include "QVLibrary.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct AllocationState {
    uint64_t allocations = 0;
    int64_t live = 0;
    uint32_t skip = 0;
    uint32_t failures = 0;
};

AllocationState& Allocations()
{
    static AllocationState state;
    return state;
}

int64_t g_LiveStrings = 0;

char* CopyText(const char* text)
{
    if (text == nullptr)
        text = "";
    std::size_t n = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy == nullptr)
        std::abort();  // a host out of memory for a name has nowhere to go
    std::memcpy(copy, text, n);
    return copy;
}

struct Registration {
    CQVFactory* factory;
    CQVRepositoryEntry* entry;
};

struct RepositoryState {
    std::vector<Registration> rows;
    bool refuse = false;
    uint32_t calls = 0;
};

RepositoryState& Repository()
{
    static RepositoryState state;
    return state;
}

}  // namespace

// ---- CQVShareable

CQVShareable::~CQVShareable() = default;

void* CQVShareable::operator new(std::size_t size) noexcept
{
    AllocationState& a = Allocations();
    if (a.skip > 0) {
        --a.skip;
    } else if (a.failures > 0) {
        --a.failures;
        return nullptr;
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) {
        ++a.allocations;
        ++a.live;
    }
    return p;
}

void CQVShareable::operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    --Allocations().live;
    std::free(p);
}

uint64_t CQVShareable::AllocationCount() { return Allocations().allocations; }
int64_t CQVShareable::LiveAllocations() { return Allocations().live; }

void CQVShareable::FailAllocations(uint32_t skip, uint32_t count)
{
    Allocations().skip = count > 0 ? skip : 0;
    Allocations().failures = count;
}

// ---- CQVRefCounter

CQVRefCounter::~CQVRefCounter() = default;

int16_t CQVRefCounter::Release()
{
    int16_t left = static_cast<int16_t>(--m_RefCount);
    if (left == 0)
        delete this;
    return left;
}

// ---- CQVString

CQVString::CQVString(const char* text) : m_Text(CopyText(text)) { ++g_LiveStrings; }
CQVString::CQVString(const CQVString& other) : m_Text(CopyText(other.m_Text)) { ++g_LiveStrings; }

CQVString& CQVString::operator=(const CQVString& other)
{
    if (this != &other) {
        char* copy = CopyText(other.m_Text);
        std::free(m_Text);
        m_Text = copy;
    }
    return *this;
}

CQVString::~CQVString()
{
    std::free(m_Text);
    --g_LiveStrings;
}

int64_t CQVString::LiveCount() { return g_LiveStrings; }

// ---- CQVFactory, CQVFactoryObject

CQVFactory::~CQVFactory() = default;

CQVFactoryObject::CQVFactoryObject() = default;
CQVFactoryObject::~CQVFactoryObject() = default;
CQVString CQVFactoryObject::GetName() { return m_Name; }
void CQVFactoryObject::SetName(CQVString name) { m_Name = name; }
void CQVFactoryObject::GetReferences(CQVPtrArray*, uint32_t) {}
bool CQVFactoryObject::OnRead(CQVNodeParser&, uint32_t) { return true; }
bool CQVFactoryObject::OnWrite(CQVNodeParser&, uint32_t) { return true; }

// ---- CQVRepositoryEntry

CQVRepositoryEntry::CQVRepositoryEntry(uint32_t classId, CQVString name, CQVString description,
                                       CQVString third)
    : m_ClassId(classId), m_Name(name), m_Description(description), m_Third(third)
{}

CQVRepositoryEntry::~CQVRepositoryEntry() = default;

CQVRepositoryEntry& CQVRepositoryEntry::operator<<(uint32_t typeId)
{
    if (m_TypeIdCount < kMaxTypeIds)
        m_TypeIds[m_TypeIdCount++] = typeId;
    return *this;
}

// ---- CQVRepository

bool CQVRepository::Register(CQVFactory* factory, CQVRepositoryEntry* entry)
{
    RepositoryState& r = Repository();
    ++r.calls;
    if (entry == nullptr)
        return false;
    if (r.refuse) {
        delete entry;
        return false;
    }
    r.rows.push_back({factory, entry});
    return true;
}

uint32_t CQVRepository::Count() { return static_cast<uint32_t>(Repository().rows.size()); }

CQVRepositoryEntry* CQVRepository::EntryAt(uint32_t i)
{
    return i < Count() ? Repository().rows[i].entry : nullptr;
}

CQVFactory* CQVRepository::FactoryAt(uint32_t i)
{
    return i < Count() ? Repository().rows[i].factory : nullptr;
}

void CQVRepository::Clear()
{
    RepositoryState& r = Repository();
    for (Registration& row : r.rows)
        delete row.entry;
    r.rows.clear();
    r.calls = 0;
}

void CQVRepository::RefuseRegistrations(bool on) { Repository().refuse = on; }
uint32_t CQVRepository::RegisterCalls() { return Repository().calls; }
