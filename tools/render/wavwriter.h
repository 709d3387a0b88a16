#pragma once

#include "soundfilehandle.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Tarvine::Render {

// A stereo 32-bit float WAV file written front to back a fixed chunk at a
// time, whatever its length.
class WavWriter
{
public:
	// Null with a reason in `error` when the file cannot be created.
	static std::unique_ptr<WavWriter> create (const std::string& path, double sampleRate,
	                                          std::string& error);

	WavWriter (const WavWriter&) = delete;
	WavWriter& operator= (const WavWriter&) = delete;

	// Appends `frames` frames. False with a reason when writing failed.
	bool write (const float* left, const float* right, size_t frames, std::string& error);

	// Writes what is buffered and closes the file, its header complete.
	// False with a reason when that failed. A writer that goes without it
	// closes the file as it stands.
	bool finish (std::string& error);

private:
	explicit WavWriter (SoundFileHandle file);

	bool flush (std::string& error);

	SoundFileHandle file;
	std::vector<float> chunk; // interleaved, as the file holds it
	size_t chunkFrames = 0;
};

} // namespace Tarvine::Render
