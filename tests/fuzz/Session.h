// A hostile host session: turns arbitrary bytes into surfaces, objects and calls of every
// operation of every class, and checks after each call that the module left every lock paired
// and released, took no lock it had no business taking, and let host exceptions pass through.
#pragma once

#include <cstddef>
#include <cstdint>

// Runs one session. A broken rule is reported on stderr and ends the process with abort(), so
// that both the fuzzer and a replaying test see it as a crash.
void RunSession(const uint8_t* data, std::size_t size);

// Names the input in the report of a broken rule (the pointer is kept; null for none).
void NameSession(const char* name);
