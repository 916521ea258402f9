#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep. A broken one aborts, so the fuzzer keeps the input as a
// finding, and says which property it was.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)
