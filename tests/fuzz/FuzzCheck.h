#pragma once

#include <cstdio>
#include <cstdlib>

// Invariant checks stay active whatever the build type: a violation must stop the
// fuzzer and leave the input behind, which assert() would not do under NDEBUG.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
