// The one thing every registered class answers the same way: its class id.
#pragma once

#include <cstdint>

template <class Base, uint32_t Id>
class WithClassId : public Base {
public:
    static const uint32_t kClassId = Id;
    uint32_t GetClassID() override { return Id; }
};
