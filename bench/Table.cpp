// The side-by-side table: best items per second of each benchmark over its repetitions.
#include <cstdio>

#include "bench/Bench.h"

void TableReporter::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        auto it = run.counters.find("items_per_second");
        if (it != run.counters.end())
            m_Rates.push_back({run.run_name.function_name, double(it->second)});
    }
    ConsoleReporter::ReportRuns(runs);
}

double TableReporter::Rate(const std::string& name) const
{
    double best = 0;
    for (const auto& [n, r] : m_Rates)
        if (n == name && r > best)
            best = r;
    return best;
}

void TableReporter::PrintTable(const std::vector<Case>& cases) const
{
    auto num = [](double v) {
        static char buf[8][32];
        static int k = 0;
        char* b = buf[k++ & 7];
        if (v > 0)
            std::snprintf(b, 32, "%.0f", v);
        else
            std::snprintf(b, 32, "-");
        return b;
    };
    auto ratio = [](double a, double b) {
        static char buf[8][32];
        static int k = 0;
        char* s = buf[k++ & 7];
        if (a > 0 && b > 0)
            std::snprintf(s, 32, "%.2f", a / b);
        else
            std::snprintf(s, 32, "-");
        return s;
    };
    std::printf("\n| operation | size | module Mpix/s | peer | peer Mpix/s | memcpy Mpix/s | "
                "module/peer | module/memcpy |\n");
    std::printf("|---|---|--:|---|--:|--:|--:|--:|\n");
    for (const Case& c : cases) {
        const double mod = Rate(ModuleName(c)) / 1e6;
        if (mod <= 0)
            continue;
        const double copy = Rate(MemcpyName(c)) / 1e6;
        if (c.peers.empty())
            std::printf("| %s | %s | %s | - | - | %s | - | %s |\n", c.op.c_str(), c.size.c_str(),
                        num(mod), num(copy), ratio(mod, copy));
        for (const auto& [name, setup] : c.peers) {
            const double peer = Rate(PeerName(c, name)) / 1e6;
            std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", c.op.c_str(), c.size.c_str(),
                        num(mod), name.c_str(), num(peer), num(copy), ratio(mod, peer),
                        ratio(mod, copy));
        }
    }
    std::fflush(stdout);
}
