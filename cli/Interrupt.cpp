#include "Interrupt.h"

#include <csignal>

namespace kestrel::interrupt {

namespace {

volatile std::sig_atomic_t raised = 0;

extern "C" void onInterrupt(int)
{
    raised = 1;
}

} // namespace

void watch()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART, so that a read waiting on the terminal returns; SA_RESETHAND,
    // so that someone who cannot wait for the statement in flight can press Ctrl-C again.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool requested()
{
    return raised != 0;
}

} // namespace kestrel::interrupt
