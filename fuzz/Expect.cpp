#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace kestrel::fuzz {

void expect(bool holds, const char* promise)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz target: broken promise: %s\n", promise);
    std::abort();
}

} // namespace kestrel::fuzz
