#pragma once

namespace Tarvine::Render {

// From here on every signal whose default action ends the process and that
// a handler may catch only notes that it came, so that the tool can take its
// unfinished file away before it ends by that signal: SIGHUP, SIGINT,
// SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ,
// SIGVTALRM, SIGPROF, on Linux also SIGPOLL, SIGPWR, SIGSTKFLT and the
// real-time signals. Not the signals of a crash (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT, SIGTRAP, SIGSYS), after which the tool's own state is
// not to be trusted, nor SIGKILL and SIGSTOP, which nothing can catch.
//
// A signal the caller ignores (nohup, a background job) stays ignored. A
// system call that a signal interrupts is not restarted: an open or a read
// that waits for a pipe's writer ends with EINTR.
void catchInterruptions ();

// The first of those signals that came, or 0.
int interruptingSignal ();

// Ends the process by the signal that came, as it would have ended had the
// signal not been caught, so that whoever started the tool sees what
// stopped it: a shell abandons a loop of renders only when one died by
// SIGINT, and `$?` shows 128 + N. Returns only when no signal came.
void endByInterruptingSignal ();

// While one lives, a signal that comes ends every read of `descriptor`, the
// one that waits and every later one, as if the input ended there: the
// descriptor then stands for an input at its end. Noting the signal is not
// enough where the read is libsndfile's, which reads on after EINTR until
// it has what it asked for, and so would wait for a pipe's writer that may
// never write.
class InterruptibleInput
{
public:
	explicit InterruptibleInput (int descriptor);
	~InterruptibleInput ();

	InterruptibleInput (const InterruptibleInput&) = delete;
	InterruptibleInput& operator= (const InterruptibleInput&) = delete;
};

} // namespace Tarvine::Render
