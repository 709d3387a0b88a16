#pragma once

#include "soundfilehandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarvine::Render {

// The most stereo 32-bit float frames a plain WAV file holds: its chunk
// sizes count bytes in 32 bits, and its header takes a little room too.
constexpr uint64_t kMaxPlainWavFrames = (0xffffffffull - 4096) / 8;

// libsndfile's format for a stereo 32-bit float file of at most
// `maxFrames` frames: plain WAV, which every reader takes, when it holds
// them; RF64, which holds any length, when it might not.
int wavFormatFor (uint64_t maxFrames);

// A stereo 32-bit float WAV file written front to back a fixed chunk at a
// time, whatever its length. Where it may pass 4 GiB it is an RF64 file
// that libsndfile writes as plain WAV after all (WAVE_FORMAT_EXTENSIBLE)
// when it stays below; either way its header holds its true length.
class WavWriter
{
public:
	// Writes through `descriptor`, from its start, which stays open for
	// the caller to close: a file is then written only through the
	// descriptor that opened it, and no name length but the system's own
	// limits it. Null with a reason in `error` when the file cannot be
	// begun. `maxFrames` bounds what will be written (the largest value
	// when that is not known) and picks the format.
	static std::unique_ptr<WavWriter> create (int descriptor, double sampleRate, uint64_t maxFrames,
	                                          std::string& error);
	// The same through libsndfile's virtual I/O, onto whatever `io` writes to.
	static std::unique_ptr<WavWriter> create (SF_VIRTUAL_IO& io, void* ioData, double sampleRate,
	                                          uint64_t maxFrames, std::string& error);

	WavWriter (const WavWriter&) = delete;
	WavWriter& operator= (const WavWriter&) = delete;

	// libsndfile's format of the file.
	int format () const { return fileFormat; }

	// Has the system start writing the file to disk every few megabytes as
	// it is written, for a file that is flushed to disk once complete: the
	// flush then waits for little more than the last part, and the disk
	// works while the render goes on.
	void writeToDiskAsItGoes () { writeback = true; }

	// Appends `frames` frames. False with a reason when writing failed, or
	// when a plain WAV file would pass what its header can hold.
	bool write (const float* left, const float* right, size_t frames, std::string& error);

	// Writes what is buffered and closes the file, its header complete.
	// False with a reason when that failed. A writer that goes without it
	// closes the file as it stands.
	bool finish (std::string& error);

private:
	WavWriter (SoundFileHandle file, int format, int descriptor);

	static std::unique_ptr<WavWriter> adopt (SoundFileHandle file, int format, int descriptor, std::string& error);
	bool flush (std::string& error);

	SoundFileHandle file;
	int fileFormat;
	std::vector<float> chunk; // interleaved, as the file holds it
	size_t chunkFrames = 0;
	uint64_t framesTaken = 0; // written and buffered
	int descriptor;           // -1 for virtual I/O
	bool writeback = false;
	size_t bytesSinceWriteback = 0;
};

} // namespace Tarvine::Render
