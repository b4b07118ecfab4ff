#include "Interrupt.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrel::interrupt {

namespace {

volatile std::sig_atomic_t raised = 0;

#ifdef _WIN32

// Called on a thread of its own for Ctrl-C or Ctrl-Break. The first only raises the flag; from the
// second on the default handler ends the program, as SA_RESETHAND does elsewhere.
BOOL WINAPI onConsoleInterrupt(DWORD event)
{
    if ((event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) || raised)
        return FALSE;
    raised = 1;
    return TRUE;
}

#else

extern "C" void onInterrupt(int)
{
    raised = 1;
}

#endif

} // namespace

void watch()
{
#ifdef _WIN32
    ::SetConsoleCtrlHandler(onConsoleInterrupt, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART, so that a read waiting on the terminal returns; SA_RESETHAND,
    // so that someone who cannot wait for the statement in flight can press Ctrl-C again.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
#endif
}

bool requested()
{
    return raised != 0;
}

} // namespace kestrel::interrupt
