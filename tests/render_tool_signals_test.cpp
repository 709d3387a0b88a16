// How the render tool ends on a signal, run as a process of its own: at
// once, also while it waits for its input; by that very signal, as shells
// expect (so that Ctrl-C ends a loop of renders); with its unfinished file
// gone and --out as it was. And a status line that cannot be written
// changes nothing.

#include "inputpipe.h"
#include "outputcase.h"
#include "rendertool.h"
#include "toolprocess.h"
#include "wavstream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace Tarvine::Test;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Far beyond the second the tool may take, and far below what a tool that
// waits on would take: it waits until the test ends its input.
constexpr auto kPromptly = 5s;

// A fresh folder for one case, holding an earlier render where --out points.
fs::path folderWithEarlierRender (const std::string& name)
{
	const fs::path folder = caseFolder ("signals-" + name);
	writeText (folder / "render.wav", kEarlierContent);
	return folder;
}

// The tool has set its parameters, which it says before it opens its input.
bool saysItsSettings (const std::string& log)
{
	return waitUntil ([&] { return readText (outputPath (log)).find ("Bypass = On") != std::string::npos; });
}

bool noCoreDump ()
{
	const rlimit none {0, 0};
	return setrlimit (RLIMIT_CORE, &none) == 0;
}

bool atDefault (int number)
{
	return std::signal (number, SIG_DFL) != SIG_ERR;
}

// --- A render that waits for its input ----------------------------------

enum class Waiting
{
	kForAWriter,          // --in a named pipe that no one has opened to write
	kForTheHeader,        // --in /dev/stdin, a pipe whose writer writes nothing
	kForTheNextSamples    // the same, after the header and a second of samples
};

struct WaitingCase
{
	const char* name;
	Waiting waiting;
	int signal;
};

void PrintTo (const WaitingCase& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolWaiting : public ::testing::TestWithParam<WaitingCase>
{
};

TEST_P (RenderToolWaiting, EndsAtOnceByTheSignalAndLeavesTheOutputAsItWas)
{
	const WaitingCase c = GetParam ();
	const fs::path folder = folderWithEarlierRender (std::string ("waiting-") + c.name);
	const fs::path output = folder / "render.wav";
	const std::string log = std::string ("signals-waiting-") + c.name + ".log";
	InputPipe input;
	ToolSetup setup;
	std::string inputPath = "/dev/stdin";
	if (c.waiting == Waiting::kForAWriter)
	{
		inputPath = (folder / "input.pipe").string ();
		ASSERT_EQ (mkfifo (inputPath.c_str (), 0644), 0);
	}
	else
		setup.inChild = input.asStandardInput ();
	const auto namesBefore = namesIn (folder);

	ToolProcess tool ({"--in", inputPath, "--out", output.string (), "Bypass=1"}, log, setup);
	input.started ();
	ASSERT_TRUE (saysItsSettings (log)) << readText (outputPath (log));
	if (c.waiting == Waiting::kForTheNextSamples)
	{
		ASSERT_TRUE (holdRenderUnderWay (input, tool));
	}
	// Surely waiting by now; a signal that comes before it waits must end
	// it all the same.
	std::this_thread::sleep_for (200ms);

	tool.signal (c.signal);
	EXPECT_TRUE (waitUntil ([&] { return !tool.running (); }, kPromptly)) << "still running after the signal";
	tool.signal (SIGKILL); // one that waits on fails here, not when finish gives up
	input.end ();
	EXPECT_EQ (tool.finish (), -1);
	EXPECT_EQ (tool.endingSignal (), c.signal);
	EXPECT_EQ (namesIn (folder), namesBefore);
	EXPECT_EQ (readText (output.string ()), kEarlierContent);
}

INSTANTIATE_TEST_SUITE_P (
    Inputs, RenderToolWaiting,
    ::testing::Values (WaitingCase {"for_a_writer_SIGTERM", Waiting::kForAWriter, SIGTERM},
                       WaitingCase {"for_a_writer_SIGINT", Waiting::kForAWriter, SIGINT},
                       WaitingCase {"for_the_header_SIGINT", Waiting::kForTheHeader, SIGINT},
                       WaitingCase {"for_the_next_samples_SIGTERM", Waiting::kForTheNextSamples, SIGTERM}),
    CaseName ());

// --- Every signal that ends a process -------------------------------------

// Stands for the first real-time signal, whose number is known only when
// the test runs.
constexpr int kFirstRealTimeSignal = -1;

enum class Sender
{
	kKill,           // another process, during a render from a stream
	kFileSizeLimit   // the system, for a write past `ulimit -f`
};

struct EndingCase
{
	const char* name;
	int signal;
	Sender sender;
};

void PrintTo (const EndingCase& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolEndingSignal : public ::testing::TestWithParam<EndingCase>
{
};

TEST_P (RenderToolEndingSignal, RemovesTheUnfinishedFileAndEndsByIt)
{
	const EndingCase c = GetParam ();
	const int number = c.signal == kFirstRealTimeSignal ? SIGRTMIN : c.signal;
	const fs::path folder = folderWithEarlierRender (std::string ("ending-") + c.name);
	const fs::path output = folder / "render.wav";
	const std::string log = std::string ("signals-ending-") + c.name + ".log";
	const auto namesBefore = namesIn (folder);
	InputPipe input;
	ToolSetup setup;
	std::vector<std::string> arguments;
	if (c.sender == Sender::kKill)
	{
		arguments = streamArguments ("/dev/stdin", output);
		setup.inChild = [number, standardInput = input.asStandardInput ()] {
			return standardInput () && noCoreDump () && atDefault (number);
		};
	}
	else
	{
		arguments = demoArguments (output);
		// Room for the header and a few blocks, not for the render.
		setup.inChild = [number] { return limitFileSize () && noCoreDump () && atDefault (number); };
	}

	ToolProcess tool (arguments, log, setup);
	input.started ();
	if (c.sender == Sender::kKill)
	{
		// The input stays open: the render goes on until the signal.
		ASSERT_TRUE (holdRenderUnderWay (input, tool)) << readText (outputPath (log));
		tool.signal (number);
	}
	EXPECT_TRUE (waitUntil ([&] { return !tool.running (); }, kPromptly)) << "still running";
	input.end ();
	EXPECT_EQ (tool.finish (), -1);
	EXPECT_EQ (tool.endingSignal (), number);
	EXPECT_EQ (namesIn (folder), namesBefore);
	EXPECT_EQ (readText (output.string ()), kEarlierContent);
}

const EndingCase kEndingCases[] = {
    {"SIGQUIT", SIGQUIT, Sender::kKill},
    {"SIGUSR1", SIGUSR1, Sender::kKill},
    {"SIGUSR2", SIGUSR2, Sender::kKill},
    {"SIGALRM", SIGALRM, Sender::kKill},
    {"SIGPIPE_sent_with_kill", SIGPIPE, Sender::kKill},
    {"SIGXCPU", SIGXCPU, Sender::kKill},
    {"SIGVTALRM", SIGVTALRM, Sender::kKill},
    {"SIGPROF", SIGPROF, Sender::kKill},
#ifdef __linux__
    {"SIGPOLL", SIGPOLL, Sender::kKill},
    {"SIGPWR", SIGPWR, Sender::kKill},
    {"SIGRTMIN", kFirstRealTimeSignal, Sender::kKill},
#endif
    {"SIGXFSZ_past_ulimit_f", SIGXFSZ, Sender::kFileSizeLimit},
};

INSTANTIATE_TEST_SUITE_P (Signals, RenderToolEndingSignal, ::testing::ValuesIn (kEndingCases), CaseName ());

// --- Ctrl-C in a loop of renders ------------------------------------------

// bash running `script` with the given arguments, standard input from
// `input`, in a process group of its own, as a terminal's foreground job.
class ShellJob
{
public:
	ShellJob (const std::string& script, const std::vector<std::string>& arguments, const InputPipe& input)
	{
		std::vector<std::string> words {"bash", "-c", script};
		words.insert (words.end (), arguments.begin (), arguments.end ());
		std::vector<char*> argv;
		for (auto& word : words)
			argv.push_back (word.data ());
		argv.push_back (nullptr);
		const auto standardInput = input.asStandardInput ();
		pid = fork ();
		if (pid == 0)
		{
			setpgid (0, 0);
			if (!standardInput () || !atDefault (SIGINT))
				_exit (kSetupFailed);
			execvp ("bash", argv.data ());
			_exit (kSetupFailed);
		}
		if (pid > 0)
			setpgid (pid, pid);
	}
	~ShellJob ()
	{
		if (!ended ())
		{
			kill (-pid, SIGKILL);
			waitpid (pid, &status, 0);
		}
	}

	ShellJob (const ShellJob&) = delete;
	ShellJob& operator= (const ShellJob&) = delete;

	// To every process of the job, as a terminal sends Ctrl-C.
	void signalAll (int number) { kill (-pid, number); }

	bool ended ()
	{
		if (pid > 0 && !done && waitpid (pid, &status, WNOHANG) == pid)
			done = true;
		return done;
	}
	int endingSignal () const { return done && WIFSIGNALED (status) ? WTERMSIG (status) : 0; }

	// The command the shell runs now, or -1.
	pid_t runningCommand ()
	{
		if (ended ())
			return -1;
		const std::string self = std::to_string (pid);
		std::ifstream children ("/proc/" + self + "/task/" + self + "/children");
		pid_t child = -1;
		return children >> child ? child : -1;
	}

private:
	pid_t pid = -1;
	int status = 0;
	bool done = false;
};

TEST (RenderToolInALoop, CtrlCEndsTheWholeLoop)
{
	const fs::path folder = folderWithEarlierRender ("loop");
	const fs::path output = folder / "render.wav";
	const std::string takes = outputPath ("signals-loop-takes.log");
	fs::remove (takes);
	const auto namesBefore = namesIn (folder);

	InputPipe input;
	ShellJob job ("for take in 1 2 3; do \"$0\" --in /dev/stdin --out \"$1\" 2>/dev/null; "
	              "echo \"take $take: $?\" >> \"$2\"; done",
	              {TARVINE_RENDER_TOOL, output.string (), takes}, input);
	input.started ();
	ASSERT_TRUE (input.write (streamStart ()));
	ASSERT_TRUE (processWritesPast ([&] { return job.runningCommand (); }, kPastFirstWrites));

	job.signalAll (SIGINT);
	// A render that took the signal for a request to finish would now read
	// to the end, and the loop would go on to the next takes.
	input.end ();
	ASSERT_TRUE (waitUntil ([&] { return job.ended (); }));
	EXPECT_EQ (job.endingSignal (), SIGINT);
	EXPECT_EQ (readText (takes), "");
	EXPECT_EQ (namesIn (folder), namesBefore);
	EXPECT_EQ (readText (output.string ()), kEarlierContent);
}

// --- A standard error or output whose reader has gone ---------------------

struct ClosedOutputCase
{
	const char* name;
	int descriptor; // standard error or standard output
	std::vector<std::string> arguments; // "{out}" stands for --out's file
};

void PrintTo (const ClosedOutputCase& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolClosedOutput : public ::testing::TestWithParam<ClosedOutputCase>
{
};

// As `tarvine-render ... 2>&1 | head -n1` leaves it once head has its line.
TEST_P (RenderToolClosedOutput, ChangesNothing)
{
	const ClosedOutputCase c = GetParam ();
	const fs::path folder = folderWithEarlierRender (std::string ("closed-") + c.name);
	const fs::path output = folder / "render.wav";
	std::vector<std::string> arguments = c.arguments;
	for (auto& argument : arguments)
	{
		if (argument == "{out}")
			argument = output.string ();
	}
	ToolSetup setup;
	const int descriptor = c.descriptor;
	setup.inChild = [descriptor] {
		int ends[2] = {-1, -1};
		return pipe (ends) == 0 && close (ends[0]) == 0 && dup2 (ends[1], descriptor) == descriptor &&
		       atDefault (SIGPIPE);
	};

	ToolProcess tool (arguments, std::string ("signals-closed-") + c.name + ".log", setup);
	EXPECT_EQ (tool.finish (), 0);
	EXPECT_EQ (tool.endingSignal (), 0);
	if (c.descriptor == STDERR_FILENO)
	{
		Sound rendered;
		ASSERT_TRUE (readSound (output.string (), rendered));
		EXPECT_EQ (rendered.frames (), kDemoFrames);
		EXPECT_EQ (namesIn (folder), std::set<std::string> {"render.wav"});
	}
}

INSTANTIATE_TEST_SUITE_P (
    Outputs, RenderToolClosedOutput,
    ::testing::Values (ClosedOutputCase {"status_lines", STDERR_FILENO,
                                         {"--rate", std::to_string (kDemoRate), "--out", "{out}", "Mix=40"}},
                       ClosedOutputCase {"list", STDOUT_FILENO, {"--list"}},
                       ClosedOutputCase {"help", STDOUT_FILENO, {"--help"}}),
    CaseName ());

} // namespace
