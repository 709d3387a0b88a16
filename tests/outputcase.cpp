#include "outputcase.h"

#include "rendertool.h"
#include "wavstream.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace Tarvine::Test {

namespace fs = std::filesystem;

namespace {

// Whether the descriptor's entry in /proc/PID/fdinfo says it may write.
bool opensForWriting (pid_t process, const std::string& descriptor)
{
	std::ifstream info ("/proc/" + std::to_string (process) + "/fdinfo/" + descriptor);
	std::string field;
	while (info >> field)
	{
		if (field == "flags:")
		{
			std::string octal;
			info >> octal;
			return (std::stoul (octal, nullptr, 8) & O_ACCMODE) != O_RDONLY;
		}
	}
	return false;
}

} // namespace

fs::path caseFolder (const std::string& name)
{
	const fs::path folder = outputPath ("output-" + name);
	fs::remove_all (folder);
	fs::create_directories (folder);
	return folder;
}

std::set<std::string> namesIn (const fs::path& folder)
{
	std::set<std::string> names;
	for (const auto& entry : fs::directory_iterator (folder))
		names.insert (entry.path ().filename ().string ());
	return names;
}

void writeText (const fs::path& path, const std::string& text)
{
	std::ofstream (path, std::ios::binary) << text;
}

std::vector<std::string> demoArguments (const fs::path& output)
{
	return {"--rate", std::to_string (kDemoRate), "--out", output.string ()};
}

std::vector<std::string> streamArguments (const fs::path& input, const fs::path& output)
{
	return {"--in", input.string (), "--out", output.string ()};
}

bool withoutRoot ()
{
	if (geteuid () != 0)
		return true;
	for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
	{
		if (prctl (PR_CAPBSET_DROP, capability, 0, 0, 0) != 0)
			return false;
	}
	return true;
}

bool limitFileSize ()
{
	const rlimit limit {64 * 1024, 64 * 1024};
	return setrlimit (RLIMIT_FSIZE, &limit) == 0;
}

std::vector<fs::path> filesToolWrites (ToolProcess& tool)
{
	return filesProcessWrites (tool.id ());
}

std::vector<fs::path> filesProcessWrites (pid_t process)
{
	// What the tool took along from the test (from whatever runs the
	// test, such as a log of ctest's) is not the tool's own.
	std::set<std::pair<dev_t, ino_t>> inherited;
	std::error_code error;
	for (const auto& entry : fs::directory_iterator ("/proc/self/fd", error))
	{
		struct stat status {};
		if (stat (entry.path ().c_str (), &status) == 0)
			inherited.emplace (status.st_dev, status.st_ino);
	}
	std::vector<fs::path> files;
	const fs::path descriptors = "/proc/" + std::to_string (process) + "/fd";
	for (const auto& entry : fs::directory_iterator (descriptors, error))
	{
		struct stat status {};
		if (stat (entry.path ().c_str (), &status) == 0 && S_ISREG (status.st_mode) &&
		    !inherited.count ({status.st_dev, status.st_ino}) &&
		    opensForWriting (process, entry.path ().filename ().string ()))
			files.push_back (entry.path ());
	}
	return files;
}

bool toolWritesPast (ToolProcess& tool, uintmax_t bytes)
{
	return processWritesPast ([&] { return tool.running () ? tool.id () : pid_t (-1); }, bytes);
}

bool processWritesPast (const std::function<pid_t ()>& process, uintmax_t bytes)
{
	const auto giveUp = std::chrono::steady_clock::now () + std::chrono::seconds (30);
	for (pid_t writer = process (); writer > 0 && std::chrono::steady_clock::now () < giveUp; writer = process ())
	{
		for (const auto& file : filesProcessWrites (writer))
		{
			std::error_code error;
			const uintmax_t size = fs::file_size (file, error);
			if (!error && size > bytes)
				return true;
		}
		std::this_thread::sleep_for (std::chrono::milliseconds (10));
	}
	return false;
}

::testing::AssertionResult holdRenderUnderWay (PipeWriter& input, ToolProcess& tool)
{
	if (!input.opened () || !input.write (streamStart ()))
		return ::testing::AssertionFailure () << "the tool did not take the stream";
	if (!toolWritesPast (tool, kPastFirstWrites))
		return ::testing::AssertionFailure () << "the tool wrote no render";
	return ::testing::AssertionSuccess ();
}

} // namespace Tarvine::Test
