// Invariants of the harnesses. A broken one aborts, whether or not NDEBUG is
// set: libFuzzer keeps the input as a crash and the replay test fails on it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond) \
    ((cond) ? void(0)    \
            : (std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #cond), std::abort()))
