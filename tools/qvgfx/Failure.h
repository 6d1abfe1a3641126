// The one error a command reports: a message for stderr, then a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

class Failure : public std::runtime_error {
public:
    // status 2: the command line is wrong; 1: an input or the work failed.
    Failure(const std::string& message, int status = 1) : std::runtime_error(message), m_Status(status) {}
    int Status() const { return m_Status; }

private:
    int m_Status;
};

inline Failure UsageError(const std::string& message) { return Failure(message, 2); }
