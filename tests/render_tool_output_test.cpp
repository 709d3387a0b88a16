// What the render tool leaves where --out points, run as a process of its
// own: an earlier file there is replaced only by a finished render, and a
// render that fails, is refused or is stopped by a signal leaves that file
// (or its symbolic link) as it was and nothing else behind.

#include "inputpipe.h"
#include "outputcase.h"
#include "rendertool.h"
#include "toolprocess.h"
#include "wavstream.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace Tarvine::Test;
namespace fs = std::filesystem;

// The tool's writes past a few blocks into any file fail, as on a full
// disk.
bool failWritesPastAFewBlocks ()
{
	std::signal (SIGXFSZ, SIG_IGN); // the write fails instead
	return limitFileSize ();
}

// --- A render that fails after --out was taken in hand ------------------

enum class Earlier
{
	kFile,
	kLinkToFile
};

enum class Failure
{
	kRateRefused, // the processor refuses the input's rate: nothing is rendered
	kDiskFull     // writing stops part way
};

struct FailedRender
{
	const char* name;
	Earlier earlier;
	Failure failure;
	int exitCode;
};

void PrintTo (const FailedRender& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolFailure : public ::testing::TestWithParam<FailedRender>
{
};

TEST_P (RenderToolFailure, LeavesTheEarlierOutputAndNothingElse)
{
	const FailedRender c = GetParam ();
	const fs::path folder = caseFolder (std::string ("failed-") + c.name);
	const fs::path output = folder / "render.wav";
	const fs::path earlier = c.earlier == Earlier::kFile ? output : folder / "earlier.wav";
	writeText (earlier, kEarlierContent);
	if (c.earlier == Earlier::kLinkToFile)
		fs::create_symlink ("earlier.wav", output);
	// Above what the processor takes (1,536,000 Hz).
	const std::string fastInput = outputPath (std::string ("failed-") + c.name + "-2MHz.wav");
	ASSERT_TRUE (writeSound (fastInput, makeNoise (2, 2000000, 1000)));
	const auto namesBefore = namesIn (folder);

	ToolSetup setup;
	std::vector<std::string> arguments = demoArguments (output);
	if (c.failure == Failure::kRateRefused)
		arguments = {"--in", fastInput, "--out", output.string ()};
	else
		setup.inChild = failWritesPastAFewBlocks;
	ToolProcess tool (arguments, std::string ("failed-") + c.name + ".log", setup);

	EXPECT_EQ (tool.finish (), c.exitCode);
	EXPECT_EQ (namesIn (folder), namesBefore);
	EXPECT_EQ (readText (earlier.string ()), kEarlierContent);
	if (c.earlier == Earlier::kLinkToFile)
	{
		ASSERT_TRUE (fs::is_symlink (output));
		EXPECT_EQ (fs::read_symlink (output), "earlier.wav");
	}
}

INSTANTIATE_TEST_SUITE_P (
    FileOrLink, RenderToolFailure,
    ::testing::Values (FailedRender {"file_rate_refused", Earlier::kFile, Failure::kRateRefused, 3},
                       FailedRender {"link_rate_refused", Earlier::kLinkToFile, Failure::kRateRefused, 3},
                       FailedRender {"file_disk_full", Earlier::kFile, Failure::kDiskFull, 4},
                       FailedRender {"link_disk_full", Earlier::kLinkToFile, Failure::kDiskFull, 4}),
    CaseName ());

// --- A render that finishes -----------------------------------------------

enum class Before
{
	kNothing,
	kFile,       // with its own permissions
	kLinkToFile,
	kLinkToNothing
};

struct Replacement
{
	const char* name;
	Before before;
};

void PrintTo (const Replacement& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolReplacement : public ::testing::TestWithParam<Replacement>
{
};

TEST_P (RenderToolReplacement, PutsTheFinishedFileInPlaceAndKeepsLinks)
{
	const Replacement c = GetParam ();
	const fs::path folder = caseFolder (std::string ("replaced-") + c.name);
	const fs::path output = folder / "render.wav";
	const bool throughLink = c.before == Before::kLinkToFile || c.before == Before::kLinkToNothing;
	const fs::path target = throughLink ? folder / "renders" / "take.wav" : output;
	fs::create_directories (folder / "renders");
	if (c.before == Before::kFile || c.before == Before::kLinkToFile)
		writeText (target, kEarlierContent);
	if (c.before == Before::kFile)
		fs::permissions (target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
	if (throughLink)
		fs::create_symlink ("renders/take.wav", output);

	ToolProcess tool (demoArguments (output), std::string ("replaced-") + c.name + ".log");
	ASSERT_EQ (tool.finish (), 0);

	Sound rendered;
	ASSERT_TRUE (readSound (target.string (), rendered));
	EXPECT_EQ (rendered.frames (), kDemoFrames);
	EXPECT_EQ (namesIn (folder), (std::set<std::string> {"render.wav", "renders"}));
	EXPECT_EQ (namesIn (folder / "renders"),
	           throughLink ? std::set<std::string> {"take.wav"} : std::set<std::string> {});
	if (throughLink)
	{
		EXPECT_EQ (fs::read_symlink (output), "renders/take.wav");
	}
	if (c.before == Before::kFile)
	{
		EXPECT_EQ (fs::status (target).permissions (),
		           fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
	}
}

INSTANTIATE_TEST_SUITE_P (
    WhatWasThere, RenderToolReplacement,
    ::testing::Values (Replacement {"nothing", Before::kNothing}, Replacement {"file", Before::kFile},
                       Replacement {"link_to_file", Before::kLinkToFile},
                       Replacement {"link_to_nothing", Before::kLinkToNothing}),
    CaseName ());

// --- What --out cannot be -------------------------------------------------

enum class Unusable
{
	kFolder,
	kReadOnlyFile,
	kPipe,
	kFullDevice
};

struct Refusal
{
	const char* name;
	Unusable output;
	int exitCode;
	const char* message;
};

void PrintTo (const Refusal& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolRefusal : public ::testing::TestWithParam<Refusal>
{
};

TEST_P (RenderToolRefusal, SaysWhyAndLeavesTheOutputAsItWas)
{
	const Refusal c = GetParam ();
	const fs::path folder = caseFolder (std::string ("refused-") + c.name);
	fs::path output = folder / "render.wav";
	ToolSetup setup;
	switch (c.output)
	{
		case Unusable::kFolder:
			fs::create_directory (output);
			break;
		case Unusable::kReadOnlyFile:
			writeText (output, kEarlierContent);
			fs::permissions (output, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
			setup.inChild = withoutRoot;
			break;
		case Unusable::kPipe:
			ASSERT_EQ (mkfifo (output.c_str (), 0644), 0);
			break;
		case Unusable::kFullDevice:
			output = "/dev/full";
			break;
	}
	// Where a file of the tool's would show: /dev, the device's folder, is
	// left alone.
	const fs::path outputFolder = c.output == Unusable::kFullDevice ? folder : output.parent_path ();
	const auto namesBefore = namesIn (outputFolder);
	const std::string log = std::string ("refused-") + c.name + ".log";

	ToolProcess tool (demoArguments (output), log, setup);
	const int exitCode = tool.finish ();
	ASSERT_NE (exitCode, kSetupFailed) << "the tool could not be started without root's powers over files";

	EXPECT_EQ (exitCode, c.exitCode);
	EXPECT_NE (readText (outputPath (log)).find (c.message), std::string::npos) << readText (outputPath (log));
	EXPECT_EQ (namesIn (outputFolder), namesBefore);
	if (c.output == Unusable::kReadOnlyFile)
	{
		EXPECT_EQ (readText (output.string ()), kEarlierContent);
	}
}

INSTANTIATE_TEST_SUITE_P (
    Outputs, RenderToolRefusal,
    ::testing::Values (Refusal {"folder", Unusable::kFolder, 4, "it is a folder"},
                       Refusal {"read_only_file", Unusable::kReadOnlyFile, 4, "Permission denied"},
                       Refusal {"pipe", Unusable::kPipe, 1, "it is a pipe"},
                       Refusal {"full_device", Unusable::kFullDevice, 4, "No space left on device"}),
    CaseName ());

// --- Standard output as --out ---------------------------------------------

TEST (RenderToolStandardOutput, RedirectedIntoAFileHoldsTheWholeWavFile)
{
	const fs::path folder = caseFolder ("stdout-file");
	ToolSetup setup;
	setup.outputPath = (folder / "render.wav").string ();
	ToolProcess tool (demoArguments ("/dev/stdout"), "stdout-file.log", setup);
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath ("stdout-file.log"));

	Sound rendered;
	ASSERT_TRUE (readSound (setup.outputPath, rendered));
	EXPECT_EQ (rendered.frames (), kDemoFrames);
	EXPECT_EQ (namesIn (folder), std::set<std::string> {"render.wav"});
}

TEST (RenderToolStandardOutput, IntoAPipeIsRefused)
{
	ToolSetup setup;
	setup.outputIntoPipe = true;
	ToolProcess tool (demoArguments ("/dev/stdout"), "stdout-pipe.log", setup);
	EXPECT_EQ (tool.finish (), 1);
	EXPECT_NE (readText (outputPath ("stdout-pipe.log")).find ("it is a pipe"), std::string::npos);
}

// --- A stream whose length is not known -----------------------------------

struct Interruption
{
	const char* name;
	int signal;
};

void PrintTo (const Interruption& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolInterruption : public ::testing::TestWithParam<Interruption>
{
};

// The input is a stream the test holds back, so that the signal comes while
// the render is surely under way, with part of it already written.
TEST_P (RenderToolInterruption, RemovesTheUnfinishedFileAndEndsByTheSignal)
{
	const Interruption c = GetParam ();
	const fs::path folder = caseFolder (std::string ("signal-") + c.name);
	const fs::path output = folder / "render.wav";
	const fs::path input = folder / "input.pipe";
	writeText (output, kEarlierContent);
	ASSERT_EQ (mkfifo (input.c_str (), 0644), 0);
	const auto namesBefore = namesIn (folder);

	const std::string log = std::string ("signal-") + c.name + ".log";
	ToolProcess tool (streamArguments (input, output), log);
	StreamFeeder feeder (input, tool);
	ASSERT_TRUE (holdRenderUnderWay (feeder, tool)) << readText (outputPath (log));

	tool.signal (c.signal);
	EXPECT_EQ (tool.finish (), -1);
	EXPECT_EQ (tool.endingSignal (), c.signal);
	EXPECT_EQ (namesIn (folder), namesBefore);
	EXPECT_EQ (readText (output.string ()), kEarlierContent);
}

INSTANTIATE_TEST_SUITE_P (
    Signals, RenderToolInterruption,
    ::testing::Values (Interruption {"SIGINT", SIGINT}, Interruption {"SIGTERM", SIGTERM},
                       Interruption {"SIGHUP", SIGHUP}),
    CaseName ());

// A stream's header claims the most a WAV header can, so the output might
// pass 4 GiB: it is begun as RF64, and comes out a WAV file all the same
// once it stays short.
TEST (RenderToolStream, OfUnknownLengthComesOutAsAWavFileWithItsTrueLength)
{
	const fs::path folder = caseFolder ("stream");
	const fs::path output = folder / "render.wav";
	const fs::path input = folder / "input.pipe";
	ASSERT_EQ (mkfifo (input.c_str (), 0644), 0);
	const Sound sent = makeNoise (2, kStreamRate, kStreamRate);

	ToolProcess tool ({"--in", input.string (), "--out", output.string (), "Bypass=1"}, "stream.log");
	{
		StreamFeeder feeder (input, tool);
		ASSERT_TRUE (feeder.opened ());
		ASSERT_TRUE (feeder.write (streamHeader ()));
		ASSERT_TRUE (feeder.write (floatWavData (sent.samples)));
	}
	ASSERT_EQ (tool.finish (), 0) << readText (outputPath ("stream.log"));

	EXPECT_EQ (readText (output.string ()).substr (0, 12).replace (4, 4, "...."), "RIFF....WAVE");
	Sound rendered;
	ASSERT_TRUE (readSound (output.string (), rendered));
	EXPECT_EQ (rendered.format, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
	// Bypassed: the stream itself, then the default tail of 0.85 s in silence.
	ASSERT_EQ (rendered.frames (), sent.frames () + static_cast<size_t> (0.85 * kStreamRate));
	EXPECT_TRUE (std::equal (sent.samples.begin (), sent.samples.end (), rendered.samples.begin ()));
	EXPECT_EQ (namesIn (folder), (std::set<std::string> {"input.pipe", "render.wav"}));
}

} // namespace
