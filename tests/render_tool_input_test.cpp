// An input that holds fewer frames than its header declares: the render
// tool renders what it holds and says so, but not for a stream whose header
// claims the most it can because its length was not known when it began.

#include "inputpipe.h"
#include "rendertool.h"
#include "soundfilereader.h"
#include "toolprocess.h"
#include "wavstream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Tarvine::Test;
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr uint32_t kDeclaredFrames = 48000;
constexpr size_t kHeldFrames = 20000;
// The default tail of 0.85 s.
constexpr size_t kTailFrames = 40800;
constexpr uint32_t kFrameBytes = 8; // stereo, 32-bit float

enum class Source
{
	kFile,
	kPipe // as /dev/stdin
};

struct SourceCase
{
	const char* name;
	Source source;
};

void PrintTo (const SourceCase& c, std::ostream* out)
{
	*out << c.name;
}

struct Rendered
{
	int exitCode = -1;
	std::string status;
	Sound sound;
};

// A WAV file whose header declares `declaredBytes` of samples, of which it
// holds those of `held`, rendered bypassed from a file or through a pipe.
Rendered renderBypassed (const SourceCase& c, const std::string& name, uint32_t declaredBytes, const Sound& held)
{
	const std::string bytes = floatWavHeader (2, kRate, declaredBytes) + floatWavData (held.samples);
	const std::string stem = std::string ("input-") + c.name + "-" + name;
	const std::string output = outputPath (stem + "-out.wav");
	fs::remove (output);
	Rendered rendered;
	if (c.source == Source::kFile)
	{
		const std::string input = outputPath (stem + "-in.wav");
		std::ofstream (input, std::ios::binary) << bytes;
		ToolProcess tool ({"--in", input, "--out", output, "Bypass=1"}, stem + ".log");
		rendered.exitCode = tool.finish ();
	}
	else
	{
		InputPipe input;
		ToolSetup setup;
		setup.inChild = input.asStandardInput ();
		ToolProcess tool ({"--in", "/dev/stdin", "--out", output, "Bypass=1"}, stem + ".log", setup);
		input.started ();
		input.write (bytes);
		input.end ();
		rendered.exitCode = tool.finish ();
	}
	rendered.status = readText (outputPath (stem + ".log"));
	readSound (output, rendered.sound);
	return rendered;
}

class RenderToolShortInput : public ::testing::TestWithParam<SourceCase>
{
};

TEST_P (RenderToolShortInput, RendersWhatItHoldsAndSaysSoWhereItsLengthIsKnown)
{
	const SourceCase c = GetParam ();
	const Sound held = makeNoise (2, kRate, kHeldFrames);
	const std::string cutShort = "is cut short: its header declares 48000 frames, 20000 were read";

	const Rendered cut = renderBypassed (c, "cut", kDeclaredFrames * kFrameBytes, held);
	const Rendered whole = renderBypassed (c, "whole", kHeldFrames * kFrameBytes, held);
	const Rendered stream = renderBypassed (c, "unknown-length", kUnknownLength, held);

	for (const Rendered* rendered : {&cut, &whole, &stream})
	{
		EXPECT_EQ (rendered->exitCode, 0) << rendered->status;
		ASSERT_EQ (rendered->sound.frames (), kHeldFrames + kTailFrames) << rendered->status;
		EXPECT_TRUE (std::equal (held.samples.begin (), held.samples.end (), rendered->sound.samples.begin ()));
	}
	EXPECT_NE (cut.status.find (cutShort), std::string::npos) << cut.status;
	EXPECT_EQ (whole.status.find ("cut short"), std::string::npos) << whole.status;
	EXPECT_EQ (stream.status.find ("cut short"), std::string::npos) << stream.status;
}

INSTANTIATE_TEST_SUITE_P (Sources, RenderToolShortInput,
                          ::testing::Values (SourceCase {"file", Source::kFile}, SourceCase {"pipe", Source::kPipe}),
                          CaseName ());

// A file cut while the render reads it, which no signal stops.
TEST (RenderToolShortInput, ReaderTellsAFileCutWhileItIsRead)
{
	const std::string path = outputPath ("input-cut-while-read.wav");
	constexpr size_t kWritten = 40000;
	constexpr size_t kLeft = 10000;
	ASSERT_TRUE (writeSound (path, makeNoise (2, kRate, kWritten)));

	std::string error;
	const auto reader = Tarvine::Render::SoundFileReader::open (path, error);
	ASSERT_TRUE (reader) << error;
	fs::resize_file (path, fs::file_size (path) - (kWritten - kLeft) * kFrameBytes);

	std::vector<float> left (512), right (512);
	size_t total = 0, framesRead = 0;
	do
	{
		ASSERT_TRUE (reader->read (left.data (), right.data (), left.size (), framesRead, error)) << error;
		total += framesRead;
	} while (framesRead == left.size ());

	EXPECT_EQ (total, kLeft);
	const auto shortfall = reader->shortfall ();
	ASSERT_TRUE (shortfall);
	EXPECT_EQ (shortfall->declaredFrames, kWritten);
	EXPECT_EQ (shortfall->framesRead, kLeft);
}

} // namespace
