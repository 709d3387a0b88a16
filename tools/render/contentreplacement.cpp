#include "contentreplacement.h"

#include "filecalls.h"
#include "interruption.h"
#include "privatefile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tarvine::Render {

namespace {

// Holds back every signal that can be held back and that the process does
// not raise itself by a fault, for as long as it lives; what came
// meanwhile is delivered when it goes.
class HeldSignals
{
public:
	HeldSignals ()
	{
		sigset_t held;
		sigfillset (&held);
		for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
			sigdelset (&held, fault);
		sigprocmask (SIG_BLOCK, &held, &previous);
	}
	~HeldSignals () { sigprocmask (SIG_SETMASK, &previous, nullptr); }

	HeldSignals (const HeldSignals&) = delete;
	HeldSignals& operator= (const HeldSignals&) = delete;

private:
	sigset_t previous;
};

// The file's lock for as long as it lives: renders into one file take
// turns. False from `take` when a signal that stops the tool came first.
class TurnOnFile
{
public:
	explicit TurnOnFile (int file) : file (file) {}
	~TurnOnFile ()
	{
		if (held)
			flock (file, LOCK_UN);
	}

	TurnOnFile (const TurnOnFile&) = delete;
	TurnOnFile& operator= (const TurnOnFile&) = delete;

	bool take ()
	{
		while (flock (file, LOCK_EX) != 0)
		{
			// A file system without locks: renders then do not take turns.
			if (errno != EINTR)
				return true;
			if (interruptingSignal () != 0)
				return false;
		}
		held = true;
		return true;
	}

private:
	int file;
	bool held = false;
};

off_t lengthOf (int file)
{
	struct stat status {};
	return fstat (file, &status) == 0 ? status.st_size : -1;
}

bool truncateTo (int file, off_t length)
{
	while (ftruncate (file, length) != 0)
	{
		if (errno != EINTR)
			return false;
	}
	return true;
}

std::string reason (const std::string& what)
{
	return what + ": " + std::strerror (errno);
}

// The contents of `source` into `target`, with signals held back: either
// all of them, or, on failure, none.
bool rewrite (int target, int source, const std::string& spareFolder, std::string& error)
{
	const off_t newLength = lengthOf (source);
	const off_t oldLength = lengthOf (target);
	if (newLength < 0 || oldLength < 0)
	{
		error = reason ("cannot tell the length of a file");
		return false;
	}

	const HeldSignals held;
	bool unsupported = false;
	std::unique_ptr<PrivateFile> oldContents;
	if (!reserveSpace (target, newLength, unsupported))
	{
		if (!unsupported)
		{
			error = reason ("no room for the new render") + "; the file is as it was";
			return false;
		}
		oldContents = PrivateFile::create (spareFolder, error);
		if (!oldContents)
		{
			error += "; the file is as it was";
			return false;
		}
		if (!copyContents (target, oldContents->descriptor (), oldLength))
		{
			error = reason ("the file system cannot reserve room ahead, and the old contents cannot be kept aside "
			                "while the file is rewritten") +
			        "; the file is as it was";
			return false;
		}
	}

	if (copyContents (source, target, newLength) && truncateTo (target, newLength))
		return true;
	error = reason ("the new render cannot be copied into the file");
	if (oldContents && copyContents (oldContents->descriptor (), target, oldLength) && truncateTo (target, oldLength))
		error += "; the file is as it was";
	else // with room reserved, only a failing disk gets here
		error += "; the file may be damaged";
	return false;
}

} // namespace

ReplacementOutcome replaceContents (int target, int source, const std::string& spareFolder, std::string& error)
{
	TurnOnFile turn (target);
	if (!turn.take ())
		return ReplacementOutcome::kInterrupted;
	if (!rewrite (target, source, spareFolder, error))
		return ReplacementOutcome::kFailed;
	if (fsync (target) != 0)
	{
		error = reason ("the new render was copied into the file but not flushed to disk");
		return ReplacementOutcome::kFailed;
	}
	return ReplacementOutcome::kReplaced;
}

} // namespace Tarvine::Render
