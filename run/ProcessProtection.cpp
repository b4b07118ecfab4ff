#include "ProcessProtection.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace kestrel {

void protectProcessMemory()
{
#ifdef __linux__
    // Not dumpable: no core file, /proc/<pid>/mem and ptrace for root alone.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}

} // namespace kestrel
