#include "wavwriter.h"

#include "filecalls.h"

#include <algorithm>

namespace Tarvine::Render {

namespace {

// Frames per call into libsndfile, which writes to the file without a
// buffer of its own.
constexpr size_t kChunkFrames = 8192;
constexpr size_t kChannels = 2;
// How much is written between two starts of writing it to disk: a few
// chunks, enough for the disk to take it in large pieces.
constexpr size_t kWritebackBytes = 8 << 20;

SF_INFO stereoFloatInfo (double sampleRate, uint64_t maxFrames)
{
	SF_INFO info {};
	info.samplerate = static_cast<int> (sampleRate);
	info.channels = static_cast<int> (kChannels);
	info.format = wavFormatFor (maxFrames);
	return info;
}

bool isRf64 (int format)
{
	return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64;
}

} // namespace

int wavFormatFor (uint64_t maxFrames)
{
	return (maxFrames <= kMaxPlainWavFrames ? SF_FORMAT_WAV : SF_FORMAT_RF64) | SF_FORMAT_FLOAT;
}

std::unique_ptr<WavWriter> WavWriter::create (int descriptor, double sampleRate, uint64_t maxFrames,
                                              std::string& error)
{
	SF_INFO info = stereoFloatInfo (sampleRate, maxFrames);
	return adopt (SoundFileHandle (sf_open_fd (descriptor, SFM_WRITE, &info, SF_FALSE)), info.format, descriptor,
	              error);
}

std::unique_ptr<WavWriter> WavWriter::create (SF_VIRTUAL_IO& io, void* ioData, double sampleRate,
                                              uint64_t maxFrames, std::string& error)
{
	SF_INFO info = stereoFloatInfo (sampleRate, maxFrames);
	return adopt (SoundFileHandle (sf_open_virtual (&io, SFM_WRITE, &info, ioData)), info.format, -1, error);
}

std::unique_ptr<WavWriter> WavWriter::adopt (SoundFileHandle file, int format, int descriptor, std::string& error)
{
	if (!file)
	{
		error = sf_strerror (nullptr);
		return nullptr;
	}
	// RF64 only because the file might grow past 4 GiB: if it does not,
	// libsndfile writes the header of a WAV file, which more readers take.
	// Without that it stays a valid RF64 file.
	if (isRf64 (format))
		sf_command (file.get (), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
	return std::unique_ptr<WavWriter> (new WavWriter (std::move (file), format, descriptor));
}

WavWriter::WavWriter (SoundFileHandle file, int format, int descriptor)
: file (std::move (file)), fileFormat (format), chunk (kChunkFrames * kChannels), descriptor (descriptor)
{
}

bool WavWriter::write (const float* left, const float* right, size_t frames, std::string& error)
{
	// libsndfile would write on and wrap the header's sizes round.
	if (!isRf64 (fileFormat) && framesTaken + frames > kMaxPlainWavFrames)
	{
		error = "the output passes 4 GiB, more than a WAV file holds";
		return false;
	}
	framesTaken += frames;

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
	bytesSinceWriteback += chunkFrames * kChannels * sizeof (float);
	chunkFrames = 0;
	if (writeback && descriptor >= 0 && bytesSinceWriteback >= kWritebackBytes)
	{
		startWriteback (descriptor);
		bytesSinceWriteback = 0;
	}
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
