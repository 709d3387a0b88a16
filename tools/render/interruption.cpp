#include "interruption.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace Tarvine::Render {

namespace {

// All that the handler and the code it interrupts share; nothing else is
// safe to touch from a handler.
volatile std::sig_atomic_t caughtSignal = 0;
// The input being read, -1 for none.
volatile std::sig_atomic_t watchedInput = -1;

// Every signal whose default action ends the process and that a handler may
// catch, but those of a crash. Where their default differs (SIGPOLL, say,
// which BSD and macOS ignore) they are left to the platforms they end.
constexpr int kEndingSignals[] = {
    SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF,
#ifdef __linux__
    SIGPOLL, SIGPWR,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#endif
};

bool sentWithKill (int code)
{
#ifdef SI_TKILL
	if (code == SI_TKILL)
		return true;
#endif
	return code == SI_USER || code == SI_QUEUE;
}

// Whether another process sent the signal (kill, sigqueue). The system
// raises SIGPIPE for a write of the tool's own to a pipe whose reader has
// gone, and Linux reports it as sent by the process itself (other systems
// name no sender): such a SIGPIPE is no request to stop, since the write
// fails with EPIPE all the same. That is what lets a status line that
// cannot be written (standard error into `head -n1`) change nothing, for
// every write of the tool's and of the libraries it loads, whereas a mark
// set around the tool's own status lines would miss the others and swallow
// a `kill -PIPE` that came while it was set.
bool sentByAnotherProcess (const siginfo_t& info)
{
	return sentWithKill (info.si_code) && info.si_pid > 0 && info.si_pid != getpid ();
}

// Puts the read end of a pipe without a writer, which is always at its end,
// in the input's place: a read that waits returns at once, and so does the
// one that libsndfile retries after EINTR. Made only now, from calls that a
// handler may make, so that the tool holds no descriptor of its own that an
// output named /dev/fd/N could find open.
void endWatchedInput ()
{
	if (watchedInput < 0)
		return;
	int ends[2] = {-1, -1};
	if (pipe (ends) != 0)
		return;
	close (ends[1]);
	dup2 (ends[0], watchedInput);
	close (ends[0]);
}

void noteSignal (int signal, siginfo_t* info, void*)
{
	if (signal == SIGPIPE && !sentByAnotherProcess (*info))
		return;
	const int savedErrno = errno;
	if (caughtSignal == 0)
		caughtSignal = signal;
	endWatchedInput ();
	errno = savedErrno;
}

// Only a signal at its default action: one the caller ignores stays
// ignored, and a handler that something else installed first stays too.
void catchAtDefault (int signal)
{
	struct sigaction current {};
	if (sigaction (signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
	    current.sa_handler != SIG_DFL)
		return;
	struct sigaction action {};
	action.sa_sigaction = noteSignal;
	// Without SA_RESTART: a waiting open or read ends with EINTR.
	action.sa_flags = SA_SIGINFO;
	sigfillset (&action.sa_mask);
	sigaction (signal, &action, nullptr);
}

} // namespace

void catchInterruptions ()
{
	for (const int signal : kEndingSignals)
		catchAtDefault (signal);
#ifdef SIGRTMIN
	for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
		catchAtDefault (signal);
#endif
}

int interruptingSignal ()
{
	return caughtSignal;
}

void endByInterruptingSignal ()
{
	const int signal = caughtSignal;
	if (signal == 0)
		return;
	// What the tool printed goes out before it ends.
	std::fflush (nullptr);
	struct sigaction byDefault {};
	byDefault.sa_handler = SIG_DFL;
	sigemptyset (&byDefault.sa_mask);
	sigaction (signal, &byDefault, nullptr);
	sigset_t justThat;
	sigemptyset (&justThat);
	sigaddset (&justThat, signal);
	sigprocmask (SIG_UNBLOCK, &justThat, nullptr);
	raise (signal);
}

InterruptibleInput::InterruptibleInput (int descriptor)
{
	watchedInput = descriptor;
	// A signal that came before the input was watched ends it as well.
	if (caughtSignal != 0)
		endWatchedInput ();
}

InterruptibleInput::~InterruptibleInput ()
{
	watchedInput = -1;
}

} // namespace Tarvine::Render
