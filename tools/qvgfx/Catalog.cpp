// qvgfx catalog: the registered entries as the host's repository holds them.
#include <cstdio>
#include <string>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Plugin.h"

namespace {

const char* const kKindNames[] = {"8", "8/8/8", "8/8/8/8"};

// The formats an entry accepts, found by asking the entry itself for every kind.
std::string AcceptedFormats(CQVRepositoryEntry* e, bool json)
{
    std::string out;
    auto add = [&](const std::string& item) {
        if (!out.empty())
            out += json ? ", " : " ";
        out += json ? "\"" + item + "\"" : item;
    };
    for (uint8_t dst = 0; dst < 3; ++dst) {
        CQVFormat d(dst, 0);
        if (e->GetKind() == CQVRepositoryEntry::Kind::Canvas) {
            if (static_cast<CQVCanvasEntry*>(e)->AcceptsFormat(d))
                add(kKindNames[dst]);
            continue;
        }
        for (uint8_t src = 0; src < 3; ++src)
            if (e->GetKind() == CQVRepositoryEntry::Kind::Converter &&
                static_cast<CQVSurfaceConverterEntry*>(e)->AcceptsFormat(CQVFormat(src, 0), d))
                add(std::string(kKindNames[src]) + "->" + kKindNames[dst]);
    }
    return out;
}

std::string TypeIds(CQVRepositoryEntry* e, const char* separator)
{
    std::string out;
    for (uint32_t i = 0; i < e->GetTypeIdCount(); ++i)
        out += (i ? separator : "") + std::to_string(e->GetTypeId(i));
    return out;
}

std::string Codes(CQVRepositoryEntry* e, const char* separator, const char* none)
{
    if (e->GetKind() != CQVRepositoryEntry::Kind::Canvas)
        return none;
    auto* c = static_cast<CQVCanvasEntry*>(e);
    return std::to_string(c->GetCode(0)) + separator + std::to_string(c->GetCode(1)) + separator +
           std::to_string(c->GetCode(2));
}

}  // namespace

int CatalogCommand(Plugin&, const Arguments& args)
{
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--json") {
            json = true;
        } else {
            std::fprintf(stderr, "qvgfx catalog: unknown argument '%s'\n", a.c_str());
            return 2;
        }
    }
    if (json)
        std::printf("[\n");
    else
        std::printf("%-6s %-36s %-36s %-18s %-8s %s\n", "id", "name", "description", "type ids",
                    "codes", "accepts");
    for (uint32_t i = 0; i < CQVRepository::Count(); ++i) {
        CQVRepositoryEntry* e = CQVRepository::EntryAt(i);
        if (json) {
            // Appended in steps: GCC 12's -Wrestrict misreads "[" + std::string&& at -O3.
            std::string codes = "null";
            if (e->GetKind() == CQVRepositoryEntry::Kind::Canvas)
                codes.assign("[").append(Codes(e, ", ", "")).append("]");
            std::printf(
                "  {\"id\": %u, \"name\": \"%s\", \"description\": \"%s\", \"typeIds\": [%s], "
                "\"codes\": %s, \"accepts\": [%s]}%s\n",
                e->GetClassID(), e->GetName(), e->GetDescription(), TypeIds(e, ", ").c_str(),
                codes.c_str(), AcceptedFormats(e, true).c_str(),
                i + 1 < CQVRepository::Count() ? "," : "");
        } else {
            std::printf("%-6u %-36s %-36s %-18s %-8s %s\n", e->GetClassID(), e->GetName(),
                        e->GetDescription(), TypeIds(e, ",").c_str(), Codes(e, ",", "-").c_str(),
                        AcceptedFormats(e, false).c_str());
        }
    }
    if (json)
        std::printf("]\n");
    return 0;
}
