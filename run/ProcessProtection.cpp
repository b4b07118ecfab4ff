#include "ProcessProtection.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif
#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrel {

void protectProcessMemory()
{
#ifdef __linux__
    // Not dumpable: no core file, /proc/<pid>/mem and ptrace for root alone.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
#ifdef _WIN32
    // No heap in the report Windows Error Reporting makes of a crash, so that the passwords do not leave
    // the machine in one. Looked up by name: mingw's headers lack it, and Wine's kernel32 has none.
    using SetFlags = HRESULT(WINAPI*)(DWORD);
    constexpr DWORD noHeap = 1; // WER_FAULT_REPORTING_FLAG_NOHEAP
    if (const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll")) {
        if (const auto setFlags =
                reinterpret_cast<SetFlags>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "WerSetFlags"))))
            setFlags(noHeap);
    }
#endif
}

} // namespace kestrel
