// What a host needs to load the module: the one export, looked up by its plain name.
#pragma once

#include "QVLibrary.h"

#if defined(_WIN32)
#define JWX_EXPORT __declspec(dllexport)
#else
#define JWX_EXPORT __attribute__((visibility("default")))
#endif

// Fills *factory with the module's factory (reference count 1), or null when it cannot be
// allocated. Always returns true.
extern "C" JWX_EXPORT bool jwCreateFactory(CQVFactory** factory);

using JwCreateFactoryFunction = bool (*)(CQVFactory**);
