// Instructions per destination byte, counted rather than estimated: each body runs once in a forked
// child that the parent single-steps with ptrace, at whatever CPU level the machine dispatches to.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "bench/Bench.h"

#if defined(__linux__) && defined(__x86_64__)
#include <algorithm>
#include <cxxabi.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

namespace {

// Exactly 2n instructions (dec, jnz): the check that one step is one instruction.
void Spin(long n) { asm volatile("1:\n\tdec %0\n\tjnz 1b" : "+r"(n)); }

// Under the trap flag a rep-prefixed string instruction (rep movs, rep stos) stops once per
// iteration with the instruction pointer left on it; those stops are repeats, not instructions.
struct Profile {
    int64_t instructions = -1;                    // -1: the child could not be stepped
    int64_t repeats = 0;                          // further iterations of rep string instructions
    std::unordered_map<uint64_t, uint64_t> rips;  // instruction address, times executed
};

uint64_t Rip(pid_t pid)
{
    user_regs_struct regs{};
    return ptrace(PTRACE_GETREGS, pid, nullptr, &regs) == 0 ? regs.rip : 0;
}

// Runs body in a forked child between two SIGSTOPs and counts the instructions between them,
// the tail of the first raise() and the head of the second included; with rips, by address too.
Profile Step(const Body& body, bool rips)
{
    Profile p;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        return p;
    if (pid == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(1);
        raise(SIGSTOP);
        body();
        raise(SIGSTOP);
        _exit(0);
    }
    int status = 0;
    bool ok = waitpid(pid, &status, 0) == pid && WIFSTOPPED(status) && WSTOPSIG(status) == SIGSTOP;
    bool gone = !ok && (WIFEXITED(status) || WIFSIGNALED(status));  // reaped already
    if (ok)
        ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_EXITKILL);
    int64_t steps = 0, repeats = 0;
    uint64_t rip = ok ? Rip(pid) : 0;
    long deliver = 0;
    while (ok) {
        if (ptrace(PTRACE_SINGLESTEP, pid, nullptr, deliver) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) {
            gone = WIFEXITED(status) || WIFSIGNALED(status);
            ok = false;
            break;
        }
        const int sig = WSTOPSIG(status);
        deliver = 0;
        if (sig == SIGSTOP)  // the second raise(): the body is done
            break;
        const uint64_t next = Rip(pid);
        if (sig != SIGTRAP) {  // a signal of the body's own: hand it on with the next step
            deliver = sig;
        } else if (next == rip) {
            ++repeats;
        } else {
            ++steps;
            if (rips)
                ++p.rips[rip];
        }
        rip = next;
    }
    if (ok && ptrace(PTRACE_CONT, pid, nullptr, 0L) != 0)
        ok = false;
    if (!ok && !gone)
        kill(pid, SIGKILL);
    while (!gone && waitpid(pid, &status, 0) == pid) {
        gone = WIFEXITED(status) || WIFSIGNALED(status);
        if (!gone)
            ptrace(PTRACE_CONT, pid, nullptr, 0L);
    }
    if (ok && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        p.instructions = steps, p.repeats = repeats;
    return p;
}

// The function symbols of one ELF file (.symtab, else .dynsym), sorted by address.
struct Symbols {
    bool linked = false;  // ET_EXEC: addresses are absolute, not offsets from the load base
    std::vector<std::pair<uint64_t, std::pair<uint64_t, std::string>>> funcs;  // start, size, name

    explicit Symbols(const char* path)
    {
        const int fd = open(path, O_RDONLY);
        struct stat st {};
        if (fd < 0 || fstat(fd, &st) != 0 || size_t(st.st_size) < sizeof(Elf64_Ehdr)) {
            if (fd >= 0)
                close(fd);
            return;
        }
        const size_t n = size_t(st.st_size);
        void* map = mmap(nullptr, n, PROT_READ, MAP_PRIVATE, fd, 0);
        close(fd);
        if (map == MAP_FAILED)
            return;
        Read(static_cast<const uint8_t*>(map), n);
        munmap(map, n);
        std::sort(funcs.begin(), funcs.end());
    }

    void Read(const uint8_t* f, size_t n)
    {
        Elf64_Ehdr eh;
        std::memcpy(&eh, f, sizeof eh);
        if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 || eh.e_ident[EI_CLASS] != ELFCLASS64 ||
            eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff > n ||
            (n - eh.e_shoff) / sizeof(Elf64_Shdr) < eh.e_shnum)
            return;
        linked = eh.e_type == ET_EXEC;
        std::vector<Elf64_Shdr> sh(eh.e_shnum);
        std::memcpy(sh.data(), f + eh.e_shoff, sh.size() * sizeof(Elf64_Shdr));
        auto fits = [n](const Elf64_Shdr& s) {
            return s.sh_offset <= n && n - s.sh_offset >= s.sh_size;
        };
        for (uint32_t type : {SHT_SYMTAB, SHT_DYNSYM}) {
            for (const Elf64_Shdr& s : sh) {
                if (s.sh_type != type || s.sh_link >= sh.size() || !fits(s) || !fits(sh[s.sh_link]))
                    continue;
                const Elf64_Shdr& str = sh[s.sh_link];
                for (uint64_t k = 0; k + sizeof(Elf64_Sym) <= s.sh_size; k += sizeof(Elf64_Sym)) {
                    Elf64_Sym sym;
                    std::memcpy(&sym, f + s.sh_offset + k, sizeof sym);
                    if (ELF64_ST_TYPE(sym.st_info) != STT_FUNC || sym.st_value == 0 ||
                        sym.st_name >= str.sh_size)
                        continue;
                    const char* name =
                        reinterpret_cast<const char*>(f + str.sh_offset + sym.st_name);
                    funcs.push_back(
                        {sym.st_value,
                         {sym.st_size,
                          std::string(name, strnlen(name, str.sh_size - sym.st_name))}});
                }
            }
            if (!funcs.empty())
                return;
        }
    }

    const std::string* Find(uint64_t a) const
    {
        auto it = std::upper_bound(funcs.begin(), funcs.end(), a,
                                   [](uint64_t v, const auto& e) { return v < e.first; });
        while (it != funcs.begin()) {
            --it;
            if (a - it->first < std::max<uint64_t>(it->second.first, 1))
                return &it->second.second;
            if (a - it->first > (1u << 20))
                break;
        }
        return nullptr;
    }
};

std::string Demangle(const std::string& name)
{
    int status = 0;
    char* d = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    std::string s = status == 0 && d != nullptr ? d : name;
    std::free(d);
    return s.size() > 90 ? s.substr(0, 87) + "..." : s;
}

// Names the function of each counted address in this process (the child's mappings are ours)
// and returns the first few by count, as "share% name".
std::string TopFunctions(const Profile& p, int count)
{
    static std::map<std::string, Symbols> files;
    std::map<std::string, uint64_t> byName;
    for (const auto& [rip, n] : p.rips) {
        Dl_info info{};
        std::string name = "?";
        if (dladdr(reinterpret_cast<void*>(rip), &info) != 0 && info.dli_fname != nullptr) {
            std::string file = info.dli_fname;
            auto it = files.find(file);
            if (it == files.end())
                it = files.emplace(file, Symbols(*info.dli_fname ? file.c_str() : "/proc/self/exe"))
                         .first;
            const uint64_t base = reinterpret_cast<uint64_t>(info.dli_fbase);
            const std::string* f = it->second.Find(it->second.linked ? rip : rip - base);
            const std::string shortFile = file.substr(file.rfind('/') + 1);
            name = f != nullptr ? Demangle(*f) : shortFile + " (no symbol)";
        }
        byName[name] += n;
    }
    std::vector<std::pair<uint64_t, std::string>> top;
    for (const auto& [name, n] : byName)
        top.push_back({n, name});
    std::sort(top.rbegin(), top.rend());
    std::string out;
    char buf[32];
    for (int i = 0; i < count && i < int(top.size()); ++i) {
        std::snprintf(buf, sizeof buf, "%s%.0f%% ", i ? "; " : "",
                      100.0 * double(top[i].first) / double(std::max<int64_t>(p.instructions, 1)));
        out += buf + top[i].second;
    }
    return out;
}

}  // namespace

int RunSteps(const std::vector<Case>& cases, const std::string& filter)
{
    std::regex select;
    try {
        select = std::regex(filter.empty() ? "." : filter);
    } catch (const std::regex_error&) {
        std::fprintf(stderr, "qvgfx_bench: bad --benchmark_filter regex: %s\n", filter.c_str());
        return 1;
    }
    // Fixed cost of the frame around a body: measured on an empty one and taken off each count.
    const int64_t overhead = Step(Body([] {}), false).instructions;
    const int64_t spin = Step(Body([] { Spin(1000); }), false).instructions;
    // memcpy is not in the table (its rep movsb takes one step per byte: slow to single-step).
    static Buffer from(65536, 11), to(65536, 12);
    const Profile copy = Step(Body([] { std::memcpy(to.data(), from.data(), 65536); }), false);
    if (overhead < 0 || spin < 0 || copy.instructions < 0) {
        std::fprintf(stderr, "qvgfx_bench: cannot single-step a child (ptrace not permitted?)\n");
        return 1;
    }
    auto perByte = [](int64_t n, int64_t bytes, char* buf) {
        if (n < 0)
            std::snprintf(buf, 32, "-");
        else
            std::snprintf(buf, 32, "%.3f", double(n) / double(bytes));
        return buf;
    };
    auto count = [overhead](const Setup& setup, bool rips) {
        Body body = setup();
        body();  // first touch of the pixels, lazy binding, one-time CPU dispatch
        Profile p = Step(body, rips);
        if (p.instructions >= 0)
            p.instructions = std::max<int64_t>(p.instructions - overhead, 0);
        return p;
    };

    std::printf("\n| operation | size | module instr/B | peer | peer instr/B | module/peer | "
                "rep repeats/B module, peer |\n");
    std::printf("|---|---|--:|---|--:|--:|--:|\n");
    std::vector<std::string> tops;
    for (const Case& c : cases) {
        if (!std::regex_search(ModuleName(c), select))
            continue;
        const Profile mod = count(c.module, true);
        const int64_t bytes = c.bytes;
        char a[32], b[32], r[32], ra[32], rb[32];
        perByte(mod.instructions, bytes, a);
        perByte(mod.repeats, bytes, ra);
        if (c.peers.empty())
            std::printf("| %s | %s | %s | - | - | - | %s |\n", c.op.c_str(), c.size.c_str(), a, ra);
        for (const auto& [name, setup] : c.peers) {
            const Profile peer = count(setup, false);
            if (mod.instructions >= 0 && peer.instructions > 0)
                std::snprintf(r, sizeof r, "%.2f",
                              double(mod.instructions) / double(peer.instructions));
            else
                std::snprintf(r, sizeof r, "-");
            std::printf("| %s | %s | %s | %s | %s | %s | %s, %s |\n", c.op.c_str(), c.size.c_str(),
                        a, name.c_str(), perByte(peer.instructions, bytes, b), r, ra,
                        perByte(peer.repeats, bytes, rb));
        }
        std::fflush(stdout);
        tops.push_back(c.op + " @" + c.size + ": " + TopFunctions(mod, 3));
    }
    std::printf("\nOne call of each body single-stepped after a warm-up call, less the %lld "
                "instructions of an empty body; a rep string instruction counts once, its further "
                "iterations are the repeats. Checks: one move and a loop of 2000 instructions "
                "count %lld; memcpy of 65536 bytes counts %lld instructions and %lld repeats.\n",
                static_cast<long long>(overhead), static_cast<long long>(spin - overhead),
                static_cast<long long>(copy.instructions - overhead),
                static_cast<long long>(copy.repeats));
    std::printf("\nModule instructions by function:\n");
    for (const std::string& t : tops)
        std::printf("- %s\n", t.c_str());
    return 0;
}

#else

int RunSteps(const std::vector<Case>&, const std::string&)
{
    std::fprintf(stderr, "qvgfx_bench: --steps needs ptrace on Linux x86-64; not available here\n");
    return 2;
}

#endif
