// A failed property in a fuzz target: the message, then abort, which libFuzzer reports as a
// crash and saves the input for.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "Property failed: %s\n", property);
    std::abort();
}
