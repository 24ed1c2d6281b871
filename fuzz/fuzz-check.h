#pragma once

#include <cstdlib>

// A property every input must keep; a broken one is a finding.
inline void Require(bool condition)
{
    if (!condition)
        std::abort();
}
