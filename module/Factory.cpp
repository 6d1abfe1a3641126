// jwCreateFactory and the module's factory: creation by class id and registration of the catalogue.
#include <new>

#include "canvases/mask/MaskCanvases.h"
#include "canvases/primitive/ColorCanvas.h"
#include "canvases/surface/SurfaceCanvases.h"
#include "converters/Converters.h"
#include "module/Entries.h"
#include "module/QVGFX_Basics.h"

namespace {

// The one place objects are allocated: the host's allocator, which may return null, then the
// constructor in that memory (a class-wide operator new hides the plain placement form).
template <class T>
T* Allocate()
{
    void* p = CQVShareable::operator new(sizeof(T));
    return p ? ::new (p) T : nullptr;
}

template <class T>
CQVFactoryObject* Make()
{
    T* object = Allocate<T>();
    if (object)
        object->AddReference();
    return object;
}

template <class E>
CQVRepositoryEntry* MakeEntry(uint32_t id, const char* name, const char* description)
{
    void* p = CQVShareable::operator new(sizeof(E));
    return p ? ::new (p) E(id, CQVString(name), CQVString(description), CQVString("")) : nullptr;
}

constexpr uint32_t kTypeObject = 100;
constexpr uint32_t kTypeCanvas = 125;
constexpr uint32_t kTypeConverter = 140;

struct BaseTypes {
    uint32_t ids[2];
    int count;
};
constexpr BaseTypes kPrimitive = {{kTypeCanvas, 141}, 2};
constexpr BaseTypes kTransform = {{kTypeCanvas, 142}, 2};
constexpr BaseTypes kConverter = {{kTypeConverter, 0}, 1};

struct CatalogueRow {
    uint32_t id;
    const char* name;
    const char* description;
    const BaseTypes* types;
    CQVRepositoryEntry* (*makeEntry)(uint32_t, const char*, const char*);
};

#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs) \
    {id, #Cls, desc, &k##base, &MakeEntry<Cls##Entry>},
constexpr CatalogueRow kCatalogue[] = {
#include "module/Catalogue.def"
};
#undef JWX_ROW

#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs) \
    static_assert(Cls::kClassId == id, #Cls " answers another class id");
#include "module/Catalogue.def"
#undef JWX_ROW

class BasicsFactory final : public CQVFactory {
public:
    CQVFactoryObject* CreateObject(uint32_t classId) override
    {
        switch (classId) {
#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs) \
    case id:                                               \
        return Make<Cls>();
#include "module/Catalogue.def"
#undef JWX_ROW
        default: return nullptr;
        }
    }

    void Configure(uint32_t) override {}

    // One entry per row, in catalogue order. An entry that cannot be allocated is skipped and the
    // remaining classes are registered all the same.
    void RegisterClasses() override
    {
        for (const CatalogueRow& row : kCatalogue) {
            CQVRepositoryEntry* entry = row.makeEntry(row.id, row.name, row.description);
            if (entry == nullptr)
                continue;
            *entry << kTypeObject;
            for (int i = 0; i < row.types->count; ++i)
                *entry << row.types->ids[i];
            *entry << row.id;
            CQVRepository::Register(this, entry);
        }
    }
};

}  // namespace

// A null address has nowhere to receive the factory: nothing is allocated.
extern "C" JWX_EXPORT bool jwCreateFactory(CQVFactory** factory)
{
    if (factory == nullptr)
        return true;
    BasicsFactory* made = Allocate<BasicsFactory>();
    *factory = made;
    if (made)
        made->AddReference();
    return true;
}
