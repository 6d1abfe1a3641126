#include "tests/support/TestHost.h"

#include <sstream>

#include "tests/support/LoadedModule.h"

CQVFormat Format(const std::string& codes)
{
    CQVFormat f;
    f.m_Kind = codes.size() == 4 ? 2 : codes.size() == 3 ? 1 : 0;
    for (std::size_t i = 0; i < codes.size() && i < 4; ++i)
        f.m_Codes[i] = static_cast<uint8_t>(codes[i]);
    return f;
}

TestSurface::TestSurface(const std::string& codes, int32_t width, int32_t height, int32_t padding)
    : surface(Format(codes), width, height,
              width * int32_t(CQVFormat::m_Size[Format(codes).m_Kind]) + padding)
{
}

uint8_t* TestSurface::Pixel(int32_t x, int32_t y)
{
    return surface.GetMemory() + std::size_t(y) * surface.GetPitch() +
           std::size_t(x) * CQVFormat::m_Size[surface.GetFormat().m_Kind];
}

std::vector<uint8_t> TestSurface::Bytes() const
{
    const uint8_t* m = surface.GetMemory();
    return std::vector<uint8_t>(m, m + surface.GetByteSize());
}

void TestSurface::Fill(uint32_t seed)
{
    uint32_t x = seed;
    for (std::size_t i = 0; i < surface.GetByteSize(); ++i) {
        x = x * 1664525u + 1013904223u;
        surface.GetMemory()[i] = seed ? uint8_t(x >> 24) : 0;
    }
}

LockLog::LockLog() { CQVLockMonitor::Record(&m_Events); }
LockLog::~LockLog() { CQVLockMonitor::Record(nullptr); }

std::string LockLog::Describe(
    const std::vector<std::pair<const CQVSurface*, std::string>>& names) const
{
    std::ostringstream out;
    for (std::size_t i = 0; i < m_Events.size(); ++i) {
        const CQVLockEvent& e = m_Events[i];
        std::string name = "?";
        for (const auto& n : names)
            if (n.first == e.surface)
                name = n.second;
        out << (i ? ", " : "") << (e.unlock ? 'U' : 'L') << (e.write ? '1' : '0') << ' ' << name;
    }
    return out.str();
}

void HostTest::SetUp() { ModuleFactory(); }

void HostTest::TearDown()
{
    CQVLockMonitor::ThrowOnLock(0);
    CQVShareable::FailAllocations(0, 0);
    EXPECT_EQ(CQVLockMonitor::LocksHeld(), 0) << "a surface was left locked";
    EXPECT_EQ(CQVLockMonitor::UnpairedUnlocks(), 0u) << "an unlock had no matching lock";
}
