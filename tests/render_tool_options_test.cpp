// The render tool's command line as a user types it: where its words go.

#include "rendertool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Tarvine::Test;

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

} // namespace
