#pragma once

#include <cstdlib>

// A broken invariant is a finding, like a crash.
inline void check(bool condition)
{
    if (!condition)
        std::abort();
}
