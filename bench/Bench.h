// The benchmark suite's shared pieces: cases, buffers, the loaded module, the peers and the table.
#pragma once

#include <benchmark/benchmark.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/QVGFX.h"

// One timed body: set up outside the loop, then run the operation once per call.
using Body = std::function<void()>;
using Setup = std::function<Body()>;

// One operation at one size: the module, its peers and memcpy of the bytes it writes.
struct Case {
    std::string op;    // "Blit add 8/8/8/8"
    std::string size;  // "1920x1080"
    int64_t pixels;    // pixels the operation produces per call
    int64_t bytes;     // bytes it writes per call: what memcpy copies
    Setup module;
    std::vector<std::pair<std::string, Setup>> peers;  // name, body
};

struct Size {
    int w, h;
    std::string Name() const { return std::to_string(w) + "x" + std::to_string(h); }
};

// Aligned bytes filled from a seed; 0 leaves them zero.
struct Buffer {
    Buffer(size_t n, uint32_t seed);
    uint8_t* data() const { return m_P.get(); }
    std::shared_ptr<uint8_t> m_P;
};

// A host surface over its own random pixels; codes "BGRA", "BGR", "A" give kinds 2, 1, 0.
std::shared_ptr<CQVSurface> MakeSurface(const std::string& codes, int w, int h, uint32_t seed,
                                        uint8_t* memory = nullptr);
CQVFormat MakeFormat(const std::string& codes);

CQVFactoryObject* CreateModuleObject(uint32_t classId);

// Adds the module's cases (Module.cpp) with their peers (Peers.cpp, empty without the libraries).
void AddModuleCases(std::vector<Case>& cases, const std::vector<Size>& sizes);
void AddPeers(Case& c, const Size& s);

// Collects items per second by benchmark name and prints the side-by-side table at the end.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void PrintTable(const std::vector<Case>& cases) const;

private:
    std::vector<std::pair<std::string, double>> m_Rates;
    double Rate(const std::string& name) const;
};

std::string ModuleName(const Case& c);
std::string PeerName(const Case& c, const std::string& peer);
std::string MemcpyName(const Case& c);

// The --steps mode (Steps.cpp): counts the instructions of one call of each selected case's module,
// peers and memcpy, and prints them per destination byte. Returns the exit status.
int RunSteps(const std::vector<Case>& cases, const std::string& filter);
