#include "toolprocess.h"

#include "rendertool.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace Tarvine::Test {

namespace {

// In the child, between fork and exec.
[[noreturn]] void startTool (char* const argv[], const std::string& log, const ToolSetup& setup, int pipeEnd)
{
	const int logFile = open (log.c_str (), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	int output = logFile;
	if (!setup.outputPath.empty ())
		output = open (setup.outputPath.c_str (), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	else if (setup.outputIntoPipe)
		output = pipeEnd;
	if (logFile < 0 || output < 0 || dup2 (output, STDOUT_FILENO) < 0 || dup2 (logFile, STDERR_FILENO) < 0)
		_exit (kSetupFailed);
	for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
		std::signal (number, SIG_DFL);
	if (setup.inChild && !setup.inChild ())
		_exit (kSetupFailed);
	execv (TARVINE_RENDER_TOOL, argv);
	_exit (kSetupFailed);
}

} // namespace

bool waitUntil (const std::function<bool ()>& condition, std::chrono::milliseconds patience)
{
	const auto giveUp = std::chrono::steady_clock::now () + patience;
	while (!condition ())
	{
		if (std::chrono::steady_clock::now () > giveUp)
			return false;
		std::this_thread::sleep_for (std::chrono::milliseconds (10));
	}
	return true;
}

ToolProcess::ToolProcess (const std::vector<std::string>& arguments, const std::string& log, const ToolSetup& setup)
{
	const std::string logPath = outputPath (log);
	std::vector<char*> argv;
	argv.push_back (const_cast<char*> (TARVINE_RENDER_TOOL));
	for (const auto& argument : arguments)
		argv.push_back (const_cast<char*> (argument.c_str ()));
	argv.push_back (nullptr);

	int ends[2] = {-1, -1};
	if (setup.outputIntoPipe && pipe (ends) != 0)
		return;
	pid = fork ();
	if (pid == 0)
	{
		if (ends[0] >= 0)
			close (ends[0]);
		startTool (argv.data (), logPath, setup, ends[1]);
	}
	if (ends[1] >= 0)
		close (ends[1]);
	outputPipe = ends[0];
}

ToolProcess::~ToolProcess ()
{
	if (running ())
		signal (SIGKILL);
	finish ();
}

bool ToolProcess::running ()
{
	if (pid <= 0 || ended)
		return false;
	if (waitpid (pid, &status, WNOHANG) == pid)
		ended = true;
	return !ended;
}

void ToolProcess::signal (int number)
{
	if (pid > 0 && !ended)
		kill (pid, number);
}

int ToolProcess::finish ()
{
	// A tool that hangs (on a pipe nobody reads, say) fails its test
	// instead of holding up the whole run.
	const auto giveUp = std::chrono::steady_clock::now () + std::chrono::seconds (60);
	while (running () || outputPipe >= 0)
	{
		if (std::chrono::steady_clock::now () > giveUp)
		{
			signal (SIGKILL);
			break;
		}
		if (outputPipe < 0)
		{
			std::this_thread::sleep_for (std::chrono::milliseconds (5));
			continue;
		}
		pollfd ready {outputPipe, POLLIN, 0};
		char drained[4096];
		if (poll (&ready, 1, 5) > 0 && read (outputPipe, drained, sizeof drained) <= 0)
		{
			close (outputPipe);
			outputPipe = -1;
		}
	}
	if (outputPipe >= 0)
		close (outputPipe);
	outputPipe = -1;
	if (pid > 0 && !ended && waitpid (pid, &status, 0) == pid)
		ended = true;
	return ended && WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}

int ToolProcess::endingSignal () const
{
	return ended && WIFSIGNALED (status) ? WTERMSIG (status) : 0;
}

} // namespace Tarvine::Test
