#include "interruption.h"

#include <csignal>

namespace Tarvine::Render {

namespace {

// All a signal handler may safely touch.
volatile std::sig_atomic_t caughtSignal = 0;

void noteSignal (int signal)
{
	if (caughtSignal == 0)
		caughtSignal = signal;
}

void catchUnlessIgnored (int signal)
{
	if (std::signal (signal, noteSignal) == SIG_IGN)
		std::signal (signal, SIG_IGN);
}

} // namespace

void catchInterruptions ()
{
	catchUnlessIgnored (SIGINT);
	catchUnlessIgnored (SIGTERM);
#ifdef SIGHUP // not on Windows
	catchUnlessIgnored (SIGHUP);
#endif
}

int interruptingSignal ()
{
	return caughtSignal;
}

} // namespace Tarvine::Render
