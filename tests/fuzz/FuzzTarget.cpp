// libFuzzer entry: every input is one hostile host session.
#include "tests/fuzz/Session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    RunSession(data, size);
    return 0;
}
