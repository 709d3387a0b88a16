#pragma once

// What the render tool's tests share: running the built tool, and writing
// and reading the sound files it takes and makes.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarvine::Test {

// Names each case of a table of tests after its `name`.
struct CaseName
{
	template <typename Case>
	std::string operator() (const ::testing::TestParamInfo<Case>& info) const
	{
		return info.param.name;
	}
};

// A path in the folder where the tests leave their files.
std::string outputPath (const std::string& name);

std::string quoted (const std::string& path);

// Runs the tool with `arguments` through the shell, its standard output and
// standard error going to `log` (a name in the output folder), or to
// `outputLog` and `errorLog` apart; its exit code.
int runTool (const std::string& arguments, const std::string& log);
int runTool (const std::string& arguments, const std::string& outputLog, const std::string& errorLog);

// A whole text file, or nothing when it cannot be read.
std::string readText (const std::string& path);

struct Sound
{
	int channels = 0;
	int rate = 0;
	int format = 0;
	std::vector<float> samples; // interleaved

	size_t frames () const { return channels > 0 ? samples.size () / static_cast<size_t> (channels) : 0; }
	float at (size_t frame, int channel) const
	{
		return samples[frame * static_cast<size_t> (channels) + static_cast<size_t> (channel)];
	}
};

// Noise from the integers of a standard generator, so that it is the same
// on every platform; every sample differs from its neighbours.
Sound makeNoise (int channels, int rate, size_t frames);

// As a 32-bit float WAV file.
bool writeSound (const std::string& path, const Sound& sound);
bool readSound (const std::string& path, Sound& sound);

// FNV-1a over the samples' bit patterns, byte by byte from the lowest.
uint64_t fingerprint (const std::vector<float>& samples);

} // namespace Tarvine::Test
