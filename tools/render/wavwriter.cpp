#include "wavwriter.h"

#include <algorithm>

namespace Tarvine::Render {

namespace {

// Frames per call into libsndfile, which writes to the file without a
// buffer of its own.
constexpr size_t kChunkFrames = 8192;
constexpr size_t kChannels = 2;

} // namespace

std::unique_ptr<WavWriter> WavWriter::create (const std::string& path, double sampleRate, std::string& error)
{
	SF_INFO info {};
	info.samplerate = static_cast<int> (sampleRate);
	info.channels = static_cast<int> (kChannels);
	info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
	SoundFileHandle file (sf_open (path.c_str (), SFM_WRITE, &info));
	if (!file)
	{
		error = sf_strerror (nullptr);
		return nullptr;
	}
	return std::unique_ptr<WavWriter> (new WavWriter (std::move (file)));
}

WavWriter::WavWriter (SoundFileHandle file) : file (std::move (file)), chunk (kChunkFrames * kChannels)
{
}

bool WavWriter::write (const float* left, const float* right, size_t frames, std::string& error)
{
	size_t written = 0;
	while (written < frames)
	{
		if (chunkFrames == kChunkFrames && !flush (error))
			return false;
		const size_t count = std::min (frames - written, kChunkFrames - chunkFrames);
		float* frame = chunk.data () + chunkFrames * kChannels;
		for (size_t i = 0; i < count; ++i, frame += kChannels)
		{
			frame[0] = left[written + i];
			frame[1] = right[written + i];
		}
		chunkFrames += count;
		written += count;
	}
	return true;
}

bool WavWriter::flush (std::string& error)
{
	const auto frames = static_cast<sf_count_t> (chunkFrames);
	if (sf_writef_float (file.get (), chunk.data (), frames) != frames)
	{
		error = sf_strerror (file.get ());
		return false;
	}
	chunkFrames = 0;
	return true;
}

bool WavWriter::finish (std::string& error)
{
	if (!flush (error))
		return false;
	// Closing writes the header's final sizes, which can fail too.
	const int closed = sf_close (file.release ());
	if (closed != SF_ERR_NO_ERROR)
	{
		error = sf_error_number (closed);
		return false;
	}
	return true;
}

} // namespace Tarvine::Render
