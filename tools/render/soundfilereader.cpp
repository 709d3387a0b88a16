#include "soundfilereader.h"

#include <algorithm>

namespace Tarvine::Render {

namespace {

// Frames per call into libsndfile, which reads from the file without a
// buffer of its own: a few system calls per second of audio, not one per
// process block.
constexpr size_t kChunkFrames = 8192;

} // namespace

std::unique_ptr<SoundFileReader> SoundFileReader::open (const std::string& path, std::string& error)
{
	SF_INFO info {};
	SoundFileHandle file (sf_open (path.c_str (), SFM_READ, &info));
	if (!file)
	{
		error = sf_strerror (nullptr);
		return nullptr;
	}
	if (info.channels < 1 || info.frames < 0 || info.samplerate <= 0)
	{
		error = "no audio in the file";
		return nullptr;
	}
	return std::unique_ptr<SoundFileReader> (
	    new SoundFileReader (std::move (file), info.channels, info.samplerate, static_cast<uint64_t> (info.frames)));
}

SoundFileReader::SoundFileReader (SoundFileHandle file, int channels, double sampleRate, uint64_t headerFrames)
: file (std::move (file)),
  channels (static_cast<size_t> (channels)),
  rate (sampleRate),
  headerFrames (headerFrames),
  chunk (kChunkFrames * this->channels)
{
}

bool SoundFileReader::refill (std::string& error)
{
	const sf_count_t read = sf_readf_float (file.get (), chunk.data (), static_cast<sf_count_t> (kChunkFrames));
	if (sf_error (file.get ()) != SF_ERR_NO_ERROR)
	{
		error = sf_strerror (file.get ());
		return false;
	}
	chunkFrames = read > 0 ? static_cast<size_t> (read) : 0;
	chunkPosition = 0;
	ended = chunkFrames < kChunkFrames;
	return true;
}

bool SoundFileReader::read (float* left, float* right, size_t frames, size_t& framesRead,
                            std::string& error)
{
	const size_t rightChannel = channels > 1 ? 1 : 0;
	framesRead = 0;
	while (framesRead < frames)
	{
		if (chunkPosition == chunkFrames)
		{
			if (ended)
				break;
			if (!refill (error))
				return false;
		}
		const size_t count = std::min (frames - framesRead, chunkFrames - chunkPosition);
		const float* frame = chunk.data () + chunkPosition * channels;
		for (size_t i = 0; i < count; ++i, frame += channels)
		{
			left[framesRead + i] = frame[0];
			right[framesRead + i] = frame[rightChannel];
		}
		framesRead += count;
		chunkPosition += count;
	}
	return true;
}

} // namespace Tarvine::Render
