// Registers every case three ways (module, peers, memcpy of the bytes it writes), runs them side by
// side and prints one table. Usage: qvgfx_bench [--sizes=1920x1080,256x256] [benchmark flags].
// With --steps it counts instructions instead of timing (Steps.cpp); sizes default to 256x256.
#include "bench/Bench.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

Buffer::Buffer(size_t n, uint32_t seed)
    : m_P(static_cast<uint8_t*>(std::aligned_alloc(64, (n + 64) & ~size_t(63))), std::free)
{
    uint8_t* p = m_P.get();
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        p[i] = seed ? uint8_t(x >> 24) : 0;
    }
}

CQVFormat MakeFormat(const std::string& codes)
{
    uint8_t kind = codes.size() == 4 ? 2 : codes.size() == 3 ? 1 : 0;
    uint8_t c[4] = {};
    for (size_t i = 0; i < codes.size() && i < 4; ++i)
        c[i] = uint8_t(codes[i]);
    return CQVFormat(kind, c[0], c[1], c[2], c[3]);
}

std::shared_ptr<CQVSurface> MakeSurface(const std::string& codes, int w, int h, uint32_t seed,
                                        uint8_t* memory)
{
    const int pitch = w * int(codes.size());
    if (memory != nullptr)
        return std::make_shared<CQVSurface>(MakeFormat(codes), w, h, pitch, memory);
    Buffer bytes(size_t(pitch) * h, seed);
    auto surface = std::make_shared<CQVSurface>(MakeFormat(codes), w, h, pitch, bytes.data());
    // The surface wraps the buffer; the deleter keeps the buffer alive as long as the surface.
    return std::shared_ptr<CQVSurface>(surface.get(), [surface, bytes](CQVSurface*) {});
}

std::string ModuleName(const Case& c) { return c.op + " @" + c.size + " | module"; }
std::string PeerName(const Case& c, const std::string& peer)
{
    return c.op + " @" + c.size + " | " + peer;
}
std::string MemcpyName(const Case& c) { return c.op + " @" + c.size + " | memcpy"; }

namespace {

void Run(benchmark::State& state, const Setup& setup, int64_t pixels)
{
    Body body = setup();
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}

std::vector<Size> ParseSizes(int& argc, char** argv, std::vector<Size> sizes)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--sizes=", 8) != 0)
            continue;
        sizes.clear();
        for (const char* p = argv[i] + 8; *p;) {
            char* end = nullptr;
            int w = int(std::strtol(p, &end, 10));
            int h = *end == 'x' ? int(std::strtol(end + 1, &end, 10)) : w;
            if (w > 1 && h > 1)
                sizes.push_back({w, h});
            p = *end == ',' ? end + 1 : end;
            if (end == p && *p)
                break;
        }
        for (int j = i; j + 1 < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        break;
    }
    return sizes;
}

// The --steps mode takes --benchmark_filter and ignores the other benchmark flags (bench/run
// always passes some); anything else is an error.
int Steps(int argc, char** argv)
{
    std::vector<Case> cases;
    AddModuleCases(cases, ParseSizes(argc, argv, {{256, 256}}));
    std::string filter;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0)
            filter = argv[i] + 19;
        else if (std::strcmp(argv[i], "--steps") != 0 &&
                 std::strncmp(argv[i], "--benchmark_", 12) != 0) {
            std::fprintf(stderr, "qvgfx_bench --steps: unrecognized argument: %s\n", argv[i]);
            return 1;
        }
    }
    return RunSteps(cases, filter);
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--steps") == 0)
            return Steps(argc, argv);
    std::vector<Size> sizes = ParseSizes(argc, argv, {{1920, 1080}, {256, 256}});
    std::vector<Case> cases;
    AddModuleCases(cases, sizes);

    for (const Case& c : cases) {
        benchmark::RegisterBenchmark(ModuleName(c).c_str(), Run, c.module, c.pixels);
        for (const auto& [name, setup] : c.peers)
            benchmark::RegisterBenchmark(PeerName(c, name).c_str(), Run, setup, c.pixels);
        const int64_t bytes = c.bytes;
        Setup copy = [bytes] {
            Buffer s(size_t(bytes), 11), d(size_t(bytes), 12);
            return Body([=] { std::memcpy(d.data(), s.data(), size_t(bytes)); });
        };
        benchmark::RegisterBenchmark(MemcpyName(c).c_str(), Run, copy, c.pixels);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable(cases);
    benchmark::Shutdown();
    return 0;
}
