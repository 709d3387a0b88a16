// The render tool run as a user runs it, on sound files this test writes:
// what it streams out must be every input frame, then the tail, in the
// same blocks as ever.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

constexpr int kRate = 8000;
// Longer than the tool's file chunks and its blocks, a multiple of neither.
constexpr size_t kInputFrames = 20011;
constexpr int kBlock = 100;
// Half a second beyond the default reverb time of 0.35 s.
constexpr size_t kDefaultTailFrames = static_cast<size_t> ((0.35 + 0.5) * kRate);

std::string outputPath (const std::string& name)
{
	return std::string (TARVINE_TEST_OUTPUT_DIR) + "/" + name;
}

int exitCodeOf (int status)
{
#ifdef _WIN32
	return status;
#else
	return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
#endif
}

// Runs the tool with `arguments`, its output going to a log beside the
// files; its exit code.
int runTool (const std::string& arguments, const std::string& log)
{
	std::string command = std::string ("\"") + TARVINE_RENDER_TOOL + "\" " + arguments + " > \"" +
	                      outputPath (log) + "\" 2>&1";
#ifdef _WIN32
	// cmd strips the first and the last quote of a command line that has
	// more than two.
	command = "\"" + command + "\"";
#endif
	return exitCodeOf (std::system (command.c_str ()));
}

std::string quoted (const std::string& path)
{
	return "\"" + path + "\"";
}

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
Sound makeNoise (int channels)
{
	Sound sound;
	sound.channels = channels;
	sound.rate = kRate;
	sound.samples.resize (kInputFrames * static_cast<size_t> (channels));
	std::minstd_rand random (static_cast<std::minstd_rand::result_type> (channels));
	for (float& sample : sound.samples)
		sample = static_cast<float> (static_cast<int> (random () % 65536) - 32768) / 65536.0f;
	return sound;
}

bool writeSound (const std::string& path, const Sound& sound)
{
	SF_INFO info {};
	info.samplerate = sound.rate;
	info.channels = sound.channels;
	info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
	SNDFILE* file = sf_open (path.c_str (), SFM_WRITE, &info);
	if (!file)
		return false;
	const auto frames = static_cast<sf_count_t> (sound.frames ());
	const bool written = sf_writef_float (file, sound.samples.data (), frames) == frames;
	return sf_close (file) == 0 && written;
}

bool readSound (const std::string& path, Sound& sound)
{
	SF_INFO info {};
	SNDFILE* file = sf_open (path.c_str (), SFM_READ, &info);
	if (!file)
		return false;
	sound.channels = info.channels;
	sound.rate = info.samplerate;
	sound.format = info.format;
	sound.samples.resize (static_cast<size_t> (info.frames * info.channels));
	const bool read = sf_readf_float (file, sound.samples.data (), info.frames) == info.frames;
	sf_close (file);
	return read;
}

// FNV-1a over the samples' bit patterns, byte by byte from the lowest.
uint64_t fingerprint (const std::vector<float>& samples)
{
	uint64_t hash = 14695981039346656037ull;
	for (const float sample : samples)
	{
		uint32_t bits = 0;
		std::memcpy (&bits, &sample, sizeof bits);
		for (int byte = 0; byte < 4; ++byte)
		{
			hash ^= (bits >> (8 * byte)) & 0xffu;
			hash *= 1099511628211ull;
		}
	}
	return hash;
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
    [] (const ::testing::TestParamInfo<ChannelCase>& info) { return std::string (info.param.name); });

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
    [] (const ::testing::TestParamInfo<KnownRender>& info) { return std::string (info.param.name); });

} // namespace
