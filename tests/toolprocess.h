#pragma once

// The render tool as a process of its own (POSIX only), for what a shell
// command line cannot arrange: signals at a chosen moment, limits, powers
// dropped, a pipe as standard output; and waiting for what it does.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace Tarvine::Test {

struct ToolSetup
{
	// Where standard output goes: empty, into the log with standard error.
	std::string outputPath;
	// Standard output into a pipe that the test reads to its end and drops.
	bool outputIntoPipe = false;
	// Run in the child just before the tool starts; a child that cannot be
	// set up exits with kSetupFailed.
	std::function<bool ()> inChild;
};

// Asks `condition` every 10 ms until it holds or `patience` runs out:
// whether it held.
bool waitUntil (const std::function<bool ()>& condition,
                std::chrono::milliseconds patience = std::chrono::seconds (30));

// What a child that could not be set up exits with.
constexpr int kSetupFailed = 125;

class ToolProcess
{
public:
	// Starts the tool with `arguments`, standard error going to `log` (a
	// name in the output folder), with SIGINT, SIGTERM, SIGHUP and SIGPIPE
	// at their defaults as in a terminal's foreground job.
	ToolProcess (const std::vector<std::string>& arguments, const std::string& log, const ToolSetup& setup = {});
	// Kills a tool that still runs.
	~ToolProcess ();

	ToolProcess (const ToolProcess&) = delete;
	ToolProcess& operator= (const ToolProcess&) = delete;

	pid_t id () const { return pid; }
	bool running ();
	void signal (int number);

	// Waits for the end, reading standard output to its end where it is a
	// pipe: the exit code, or -1 for a tool that a signal killed, that
	// never started, or that still ran after a minute and was killed.
	int finish ();
	// After finish: the signal that ended the tool, or 0 where it exited.
	int endingSignal () const;

private:
	pid_t pid = -1;
	int outputPipe = -1;
	int status = -1;
	bool ended = false;
};

} // namespace Tarvine::Test
