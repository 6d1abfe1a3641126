// The one way a registered class declares its class id: it derives from WithClassId<Base, id>,
// which gives kClassId (checked against the catalogue) and GetClassID.
#pragma once

#include <cstdint>

template <class Base, uint32_t Id>
class WithClassId : public Base {
public:
    static const uint32_t kClassId = Id;
    uint32_t GetClassID() override { return Id; }
};
