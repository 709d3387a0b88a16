// The render tool run as a user runs it, on sound files this test writes:
// what it streams out must be every input frame, then the tail, in the
// same blocks as ever.

#include "rendertool.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {

using namespace Tarvine::Test;

constexpr int kRate = 8000;
// Longer than the tool's file chunks and its blocks, a multiple of neither.
constexpr size_t kInputFrames = 20011;
constexpr int kBlock = 100;
// Half a second beyond the default reverb time of 0.35 s.
constexpr size_t kDefaultTailFrames = static_cast<size_t> ((0.35 + 0.5) * kRate);

Sound makeNoise (int channels)
{
	return Tarvine::Test::makeNoise (channels, kRate, kInputFrames);
}

struct ChannelCase
{
	const char* name;
	int channels;
	// Which input channel each output channel carries.
	int leftFrom;
	int rightFrom;
};

// Cases show as their names in test listings.
void PrintTo (const ChannelCase& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolChannels : public ::testing::TestWithParam<ChannelCase>
{
};

TEST_P (RenderToolChannels, BypassedKeepsEveryInputFrameThenTheWholeTail)
{
	const ChannelCase c = GetParam ();
	const std::string name = std::string ("bypass-") + c.name;
	const Sound input = makeNoise (c.channels);
	ASSERT_TRUE (writeSound (outputPath (name + "-in.wav"), input));

	ASSERT_EQ (runTool ("--block " + std::to_string (kBlock) + " --in " + quoted (outputPath (name + "-in.wav")) +
	                        " --out " + quoted (outputPath (name + "-out.wav")) + " Bypass=1",
	                    name + ".log"),
	           0);

	Sound output;
	ASSERT_TRUE (readSound (outputPath (name + "-out.wav"), output));
	EXPECT_EQ (output.channels, 2);
	EXPECT_EQ (output.rate, kRate);
	EXPECT_EQ (output.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
	ASSERT_EQ (output.frames (), kInputFrames + kDefaultTailFrames);
	for (size_t frame = 0; frame < kInputFrames; ++frame)
	{
		ASSERT_EQ (output.at (frame, 0), input.at (frame, c.leftFrom)) << "frame " << frame;
		ASSERT_EQ (output.at (frame, 1), input.at (frame, c.rightFrom)) << "frame " << frame;
	}
	for (size_t frame = kInputFrames; frame < output.frames (); ++frame)
	{
		ASSERT_EQ (output.at (frame, 0), 0.0f) << "frame " << frame;
		ASSERT_EQ (output.at (frame, 1), 0.0f) << "frame " << frame;
	}
}

INSTANTIATE_TEST_SUITE_P (
    MonoStereoAndMore, RenderToolChannels,
    ::testing::Values (ChannelCase {"mono", 1, 0, 0}, ChannelCase {"stereo", 2, 0, 1},
                       ChannelCase {"three_channels", 3, 0, 1}),
    CaseName ());

// Fingerprints of renders made when the tool still held whole files in
// memory: streaming must hand the processor the same blocks, tail included.
struct KnownRender
{
	const char* name;
	const char* arguments; // "{in}" stands for the stereo noise input
	uint64_t fingerprint;
};

void PrintTo (const KnownRender& known, std::ostream* out)
{
	*out << known.name;
}

class RenderToolKnownRenders : public ::testing::TestWithParam<KnownRender>
{
};

TEST_P (RenderToolKnownRenders, MatchesTheWholeFileRendering)
{
	const KnownRender known = GetParam ();
	const std::string input = outputPath (std::string ("known-") + known.name + "-in.wav");
	ASSERT_TRUE (writeSound (input, makeNoise (2)));

	std::string arguments = known.arguments;
	if (const auto at = arguments.find ("{in}"); at != std::string::npos)
		arguments.replace (at, 4, quoted (input));
	const std::string output = outputPath (std::string ("known-") + known.name + ".wav");
	ASSERT_EQ (runTool (arguments + " --out " + quoted (output), std::string ("known-") + known.name + ".log"), 0);

	Sound rendered;
	ASSERT_TRUE (readSound (output, rendered));
	EXPECT_EQ (fingerprint (rendered.samples), known.fingerprint)
	    << std::hex << "0x" << fingerprint (rendered.samples);
}

INSTANTIATE_TEST_SUITE_P (
    DemoAndFiles, RenderToolKnownRenders,
    ::testing::Values (
        KnownRender {"demo", "--rate 8000 --block 100 \"Rvb Time=0.5\" Mix=60", 0xdb794151e459e7c6ull},
        KnownRender {"file", "--block 100 --in {in} Predelay=30 Diffusion=70", 0xb3786dca89c5505cull},
        KnownRender {"file_double", "--double --block 333 --in {in} \"Rvb Time=0.8\"", 0xf24575791a12ab7dull}),
    CaseName ());

} // namespace
