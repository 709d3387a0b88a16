#include "soundfilereader.h"

#include "declaredlength.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace Tarvine::Render {

namespace {

// Frames per call into libsndfile, which reads from the file without a
// buffer of its own: a few system calls per second of audio, not one per
// process block.
constexpr size_t kChunkFrames = 8192;

} // namespace

std::unique_ptr<SoundFileReader> SoundFileReader::open (const std::string& path, std::string& error)
{
	// The open of a pipe that no one writes yet waits until a signal
	// interrupts it; one that came before it began would not. (One that
	// comes in the instant between this look and the call is seen only once
	// the call returns.)
	if (interruptingSignal () != 0)
	{
		error = std::strerror (EINTR);
		return nullptr;
	}
	// Opened here rather than by libsndfile, so that the descriptor tells
	// which file is read, and so that no name length but the system's own
	// limits it.
	Descriptor descriptor (::open (path.c_str (), O_RDONLY | O_CLOEXEC));
	if (!descriptor)
	{
		error = std::strerror (errno);
		return nullptr;
	}
	std::unique_ptr<SoundFileReader> reader (new SoundFileReader (std::move (descriptor)));
	if (!reader->openSoundFile (error))
		return nullptr;
	return reader;
}

SoundFileReader::SoundFileReader (Descriptor descriptor)
: descriptor (std::move (descriptor)), interruptible (this->descriptor.get ())
{
}

bool SoundFileReader::openSoundFile (std::string& error)
{
	identity = identityOf (descriptor.get ());
	const bool regularFile = isRegularFile (descriptor.get ());
	SF_INFO info {};
	// The descriptor stays ours to close, whether or not libsndfile takes it.
	file.reset (sf_open_fd (descriptor.get (), SFM_READ, &info, SF_FALSE));
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
	channels = static_cast<size_t> (info.channels);
	rate = info.samplerate;
	headerFrames = static_cast<uint64_t> (info.frames);
	declaredFrames = Render::declaredFrames (file.get (), info, regularFile);
	chunk.resize (kChunkFrames * channels);
	return true;
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
	framesTaken += chunkFrames;
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

std::optional<ShortInput> SoundFileReader::shortfall () const
{
	if (!ended || !declaredFrames || framesTaken >= *declaredFrames)
		return std::nullopt;
	return ShortInput {*declaredFrames, framesTaken};
}

} // namespace Tarvine::Render
