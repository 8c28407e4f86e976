#include "core/termination.h"

#include <QtGlobal>

#include <csignal>
#include <signal.h>

namespace termination {

namespace {

volatile std::sig_atomic_t writes = 0;
volatile std::sig_atomic_t pending = 0;

void endNow(int signal)
{
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void onSignal(int signal)
{
    if (writes > 0)
        pending = signal;
    else
        endNow(signal);
}

} // namespace

void install()
{
#ifdef Q_OS_UNIX
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction previous {};
        // A signal ignored by whoever started the program stays ignored.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
#else
    for (int signal : {SIGTERM, SIGINT})
        std::signal(signal, onSignal);
#endif
}

bool requested()
{
    return pending != 0;
}

WriteInProgress::WriteInProgress()
{
    writes = writes + 1;
}

WriteInProgress::~WriteInProgress()
{
    writes = writes - 1;
    if (writes == 0 && pending != 0)
        endNow(pending);
}

} // namespace termination
