// Loading the plug-in as a host does: open the module file, find jwCreateFactory, register.
#pragma once

#include <string>

#include "QVGFX.h"

class Plugin {
public:
    ~Plugin();

    // Loads the module at `path` (empty: QVGFX_Basics.jwx beside this program), creates its
    // factory and registers its classes. Returns false with a message in `error`.
    bool Load(const std::string& path, std::string& error);

    CQVFactory* Factory() const { return m_Factory; }
    const std::string& Path() const { return m_Path; }

    // The id of the first registered converter or canvas that accepts the formats; 0 if none.
    uint32_t ConverterFor(const CQVFormat& source, const CQVFormat& destination) const;
    uint32_t CanvasFor(const CQVFormat& destination, uint32_t operation) const;

private:
    void* m_Handle = nullptr;
    CQVFactory* m_Factory = nullptr;
    std::string m_Path;
};

// The directory of the running executable, with a trailing separator.
std::string ProgramDirectory();
