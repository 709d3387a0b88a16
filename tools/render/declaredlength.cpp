#include "declaredlength.h"

#include <algorithm>
#include <cstring>

namespace Tarvine::Render {

namespace {

// The most a WAV header's sizes can say: what a stream that did not know
// its length when it began puts there.
constexpr uint64_t kMostAWavHeaderSays = 0xffffffffu;

// The bytes a frame takes where the encoding gives each the same, else 0.
uint64_t bytesPerFrame (const SF_INFO& info)
{
	uint64_t bytes = 0;
	switch (info.format & SF_FORMAT_SUBMASK)
	{
		case SF_FORMAT_PCM_S8:
		case SF_FORMAT_PCM_U8:
		case SF_FORMAT_ULAW:
		case SF_FORMAT_ALAW:
			bytes = 1;
			break;
		case SF_FORMAT_PCM_16:
			bytes = 2;
			break;
		case SF_FORMAT_PCM_24:
			bytes = 3;
			break;
		case SF_FORMAT_PCM_32:
		case SF_FORMAT_FLOAT:
			bytes = 4;
			break;
		case SF_FORMAT_DOUBLE:
			bytes = 8;
			break;
		default:
			break;
	}
	return bytes * static_cast<uint64_t> (info.channels);
}

// The size that a WAV file's data chunk gives itself, as its header holds it.
std::optional<uint64_t> dataChunkBytes (SNDFILE* file)
{
	SF_CHUNK_INFO wanted {};
	std::memcpy (wanted.id, "data", 4);
	wanted.id_size = 4;
	SF_CHUNK_ITERATOR* chunk = sf_get_chunk_iterator (file, &wanted);
	SF_CHUNK_INFO found {};
	if (!chunk || sf_get_chunk_size (chunk, &found) != SF_ERR_NO_ERROR)
		return std::nullopt;
	return found.datalen;
}

} // namespace

std::optional<uint64_t> declaredFrames (SNDFILE* file, const SF_INFO& info, bool regularFile)
{
	const auto frames = static_cast<uint64_t> (info.frames);
	const uint64_t frameBytes = bytesPerFrame (info);
	if (regularFile)
	{
		// libsndfile shortens the length a WAV header declares to what the
		// file holds; the data chunk keeps the header's own word.
		const int container = info.format & SF_FORMAT_TYPEMASK;
		if ((container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX) && frameBytes > 0)
		{
			if (const auto bytes = dataChunkBytes (file); bytes && *bytes < kMostAWavHeaderSays)
				return std::max (frames, *bytes / frameBytes);
		}
		return frames;
	}
	// From a pipe the header is taken at its word, the largest included.
	const uint64_t leastFrameBytes = std::max (frameBytes, static_cast<uint64_t> (info.channels));
	if (frames >= kMostAWavHeaderSays / leastFrameBytes)
		return std::nullopt;
	return frames;
}

} // namespace Tarvine::Render
