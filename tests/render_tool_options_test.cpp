// The render tool's command line as a user types it: what it refuses and
// why, the spellings it takes, and where its words go.

#include "rendertool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

namespace {

using namespace Tarvine::Test;

struct RefusedLine
{
	const char* name;
	const char* arguments; // "{in}" stands for a short stereo file
	const char* message;
};

void PrintTo (const RefusedLine& c, std::ostream* out)
{
	*out << c.name;
}

class RenderToolRefusedLine : public ::testing::TestWithParam<RefusedLine>
{
};

TEST_P (RenderToolRefusedLine, ExitsWithOneAndSaysWhy)
{
	const RefusedLine c = GetParam ();
	const std::string input = outputPath ("refused-line-in.wav");
	ASSERT_TRUE (writeSound (input, makeNoise (2, 8000, 100)));
	std::string arguments = c.arguments;
	if (const auto at = arguments.find ("{in}"); at != std::string::npos)
		arguments.replace (at, 4, quoted (input));
	const std::string output = outputPath (std::string ("refused-line-") + c.name + ".wav");
	std::filesystem::remove (output);

	const std::string log = std::string ("refused-line-") + c.name + ".log";
	EXPECT_EQ (runTool (arguments + " --out " + quoted (output), log), 1);
	EXPECT_NE (readText (outputPath (log)).find (c.message), std::string::npos) << readText (outputPath (log));
	EXPECT_FALSE (std::filesystem::exists (output));
}

INSTANTIATE_TEST_SUITE_P (
    CommandLines, RenderToolRefusedLine,
    ::testing::Values (
        RefusedLine {"mix_nan", "Mix=nan", "\"Mix\" needs a finite number, not nan"},
        RefusedLine {"level_nan", "Level=NaN", "\"Level\" needs a finite number, not NaN"},
        RefusedLine {"reverb_time_nan", "\"Rvb Time=nan\"", "\"Rvb Time\" needs a finite number, not nan"},
        RefusedLine {"mix_infinite", "Mix=inf", "\"Mix\" needs a finite number, not inf"},
        RefusedLine {"id_minus_infinity", "2=-infinity", "\"2\" needs a finite number, not -infinity"},
        RefusedLine {"rate_with_input", "--in {in} --rate 48000", "a file given with --in is rendered at its own rate"},
        RefusedLine {"rate_with_input_after", "--rate=48000 --in={in}", "a file given with --in is rendered at its own rate"},
        RefusedLine {"rate_fraction", "--rate 44100.5", "--rate must be a whole number of hertz"},
        RefusedLine {"block_fraction", "--block=1.5", "--block must be a whole number of samples"},
        RefusedLine {"flag_with_value", "--double=1", "--double takes no value"},
        RefusedLine {"unknown_option_with_value", "--speed=2", "unknown option --speed"},
        RefusedLine {"empty_input", "--in=", "--in needs a value, not an empty one"},
        RefusedLine {"empty_input_spaced", "--in \"\"", "--in needs a value, not an empty one"}),
    CaseName ());

TEST (RenderToolCommandLine, TakesEveryValueAfterAnEqualsSignAsWell)
{
	const std::string input = outputPath ("equals-in.wav");
	ASSERT_TRUE (writeSound (input, makeNoise (2, 8000, 3000)));
	const std::string spaced = outputPath ("equals-spaced.wav");
	const std::string joined = outputPath ("equals-joined.wav");
	ASSERT_EQ (runTool ("--block 100 --in " + quoted (input) + " --plugin " + quoted (TARVINE_BUNDLE_PATH) +
	                        " --out " + quoted (spaced) + " Mix=70",
	                    "equals-spaced.log"),
	           0);
	ASSERT_EQ (runTool ("--block=100 --in=" + quoted (input) + " --plugin=" + quoted (TARVINE_BUNDLE_PATH) +
	                        " --out=" + quoted (joined) + " Mix=70",
	                    "equals-joined.log"),
	           0);
	ASSERT_EQ (runTool ("--rate=8000 --out=" + quoted (outputPath ("equals-rate.wav")), "equals-rate.log"), 0);

	Sound first, second, demo;
	ASSERT_TRUE (readSound (spaced, first));
	ASSERT_TRUE (readSound (joined, second));
	EXPECT_EQ (first.samples, second.samples);
	ASSERT_TRUE (readSound (outputPath ("equals-rate.wav"), demo));
	EXPECT_EQ (demo.rate, 8000);
}

// Shell completion ends a folder's name with a separator.
TEST (RenderToolCommandLine, LoadsABundleNamedWithATrailingSeparatorOrDot)
{
	const std::string bundle = TARVINE_BUNDLE_PATH;
	const std::string spellings[] = {bundle + "/", bundle + "//", bundle + "/.", bundle + "/./"};
	for (const auto& spelling : spellings)
	{
		EXPECT_EQ (runTool ("--list --plugin " + quoted (spelling), "bundle-spelling.log"), 0) << spelling;
		EXPECT_NE (readText (outputPath ("bundle-spelling.log")).find ("Rvb Time"), std::string::npos) << spelling;
	}
	// From inside the bundle, as "." and from its Contents folder as "..".
	const std::string inside = "cd " + quoted (bundle) + " && " + quoted (TARVINE_RENDER_TOOL) + " --list --plugin . > " +
	                           quoted (outputPath ("bundle-dot.log")) + " 2>&1";
	EXPECT_EQ (std::system (inside.c_str ()), 0);
	EXPECT_NE (readText (outputPath ("bundle-dot.log")).find ("Rvb Time"), std::string::npos);
	const std::string contents = "cd " + quoted (bundle + "/Contents") + " && " + quoted (TARVINE_RENDER_TOOL) +
	                             " --list --plugin .. > " + quoted (outputPath ("bundle-dotdot.log")) + " 2>&1";
	EXPECT_EQ (std::system (contents.c_str ()), 0);
	EXPECT_NE (readText (outputPath ("bundle-dotdot.log")).find ("Rvb Time"), std::string::npos);
}

TEST (RenderToolCommandLine, SaysEverythingOnStandardErrorAndNothingOnStandardOutput)
{
	const std::string output = outputPath ("quiet.wav");
	ASSERT_EQ (runTool ("--rate 8000 --out " + quoted (output) + " Mix=30", "quiet.out", "quiet.err"), 0);
	EXPECT_EQ (readText (outputPath ("quiet.out")), "");
	const std::string status = readText (outputPath ("quiet.err"));
	EXPECT_NE (status.find ("Mix = 30"), std::string::npos) << status;
	EXPECT_NE (status.find ("tail: "), std::string::npos) << status;
	EXPECT_NE (status.find ("wrote "), std::string::npos) << status;
}

// The tail follows the parameters given, also when no input frame brings
// them to the processor.
TEST (RenderToolCommandLine, EmptyInputGetsTheTailOfTheReverbTimeGiven)
{
	constexpr int kRate = 48000;
	const std::string input = outputPath ("empty-in.wav");
	ASSERT_TRUE (writeSound (input, makeNoise (2, kRate, 0)));
	const std::string output = outputPath ("empty-out.wav");
	ASSERT_EQ (runTool ("--in " + quoted (input) + " --out " + quoted (output) + " \"Rvb Time=1.2\"", "empty.log"), 0);

	Sound rendered;
	ASSERT_TRUE (readSound (output, rendered));
	EXPECT_EQ (rendered.frames (), static_cast<size_t> ((1.2 + 0.5) * kRate));
	EXPECT_NE (readText (outputPath ("empty.log")).find ("tail: 81600 samples"), std::string::npos);
}

TEST (RenderToolCommandLine, HelpSaysWhatAFileWithMoreChannelsGives)
{
	ASSERT_EQ (runTool ("--help", "help.log"), 0);
	const std::string help = readText (outputPath ("help.log"));
	EXPECT_NE (help.find ("more channels gives its first two"), std::string::npos) << help;
	EXPECT_EQ (help.find ("mono or stereo"), std::string::npos) << help;
	EXPECT_NE (help.find ("130 SIGINT"), std::string::npos) << help;
}

} // namespace
