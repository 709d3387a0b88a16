#include "wavfile.h"

#include <sndfile.h>

#include <memory>
#include <vector>

namespace Tarvine::Render {

namespace {

struct CloseFile
{
	void operator() (SNDFILE* file) const { sf_close (file); }
};
using File = std::unique_ptr<SNDFILE, CloseFile>;

} // namespace

bool readStereo (const std::string& path, StereoSignal& signal, std::string& error)
{
	SF_INFO info {};
	File file (sf_open (path.c_str (), SFM_READ, &info));
	if (!file)
	{
		error = sf_strerror (nullptr);
		return false;
	}
	if (info.channels < 1 || info.frames < 0 || info.samplerate <= 0)
	{
		error = "no audio in the file";
		return false;
	}

	const auto frames = static_cast<size_t> (info.frames);
	const auto channels = static_cast<size_t> (info.channels);
	std::vector<float> interleaved (frames * channels);
	const sf_count_t read = sf_readf_float (file.get (), interleaved.data (), info.frames);
	if (read < 0)
	{
		error = sf_strerror (file.get ());
		return false;
	}

	signal.sampleRate = info.samplerate;
	signal.left.resize (static_cast<size_t> (read));
	signal.right.resize (static_cast<size_t> (read));
	for (size_t frame = 0; frame < static_cast<size_t> (read); ++frame)
	{
		signal.left[frame] = interleaved[frame * channels];
		signal.right[frame] = interleaved[frame * channels + (channels > 1 ? 1 : 0)];
	}
	return true;
}

bool writeStereo (const std::string& path, const StereoSignal& signal, std::string& error)
{
	SF_INFO info {};
	info.samplerate = static_cast<int> (signal.sampleRate);
	info.channels = 2;
	info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
	File file (sf_open (path.c_str (), SFM_WRITE, &info));
	if (!file)
	{
		error = sf_strerror (nullptr);
		return false;
	}

	std::vector<float> interleaved (signal.left.size () * 2);
	for (size_t frame = 0; frame < signal.left.size (); ++frame)
	{
		interleaved[frame * 2] = signal.left[frame];
		interleaved[frame * 2 + 1] = signal.right[frame];
	}
	const auto frames = static_cast<sf_count_t> (signal.left.size ());
	if (sf_writef_float (file.get (), interleaved.data (), frames) != frames)
	{
		error = sf_strerror (file.get ());
		return false;
	}
	return true;
}

} // namespace Tarvine::Render
