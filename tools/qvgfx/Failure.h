// The one error a command reports: a message for stderr, then a non-zero exit. And notes: lines
// on stderr about what a command ignored, which leave the exit status alone.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>

class Failure : public std::runtime_error {
public:
    // status 2: the command line is wrong; 1: an input or the work failed.
    Failure(const std::string& message, int status = 1)
        : std::runtime_error(message), m_Status(status)
    {}
    int Status() const { return m_Status; }

private:
    int m_Status;
};

inline Failure UsageError(const std::string& message) { return Failure(message, 2); }

// The running command's name and whether --quiet asked for silence, set once by main.
struct NoteSettings {
    static inline std::string command;
    static inline bool quiet = false;
};

// "qvgfx COMMAND: note: TEXT" on stderr, unless --quiet was given.
inline void Note(const std::string& text)
{
    if (!NoteSettings::quiet)
        std::fprintf(stderr, "qvgfx %s: note: %s\n", NoteSettings::command.c_str(), text.c_str());
}
