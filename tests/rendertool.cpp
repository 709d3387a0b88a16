#include "rendertool.h"

#include <sndfile.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace Tarvine::Test {

namespace {

int exitCodeOf (int status)
{
#ifdef _WIN32
	return status;
#else
	return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
#endif
}

int runShell (std::string command)
{
#ifdef _WIN32
	// cmd strips the first and the last quote of a command line that has
	// more than two.
	command = "\"" + command + "\"";
#endif
	return exitCodeOf (std::system (command.c_str ()));
}

} // namespace

std::string outputPath (const std::string& name)
{
	return std::string (TARVINE_TEST_OUTPUT_DIR) + "/" + name;
}

std::string quoted (const std::string& path)
{
	return "\"" + path + "\"";
}

int runTool (const std::string& arguments, const std::string& log)
{
	return runShell (quoted (TARVINE_RENDER_TOOL) + " " + arguments + " > " + quoted (outputPath (log)) + " 2>&1");
}

int runTool (const std::string& arguments, const std::string& outputLog, const std::string& errorLog)
{
	return runShell (quoted (TARVINE_RENDER_TOOL) + " " + arguments + " > " + quoted (outputPath (outputLog)) +
	                 " 2> " + quoted (outputPath (errorLog)));
}

std::string readText (const std::string& path)
{
	std::ifstream file (path, std::ios::binary);
	std::ostringstream text;
	text << file.rdbuf ();
	return text.str ();
}

Sound makeNoise (int channels, int rate, size_t frames)
{
	Sound sound;
	sound.channels = channels;
	sound.rate = rate;
	sound.samples.resize (frames * static_cast<size_t> (channels));
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

} // namespace Tarvine::Test
