#pragma once

#include "descriptor.h"
#include "interruption.h"
#include "soundfilehandle.h"
#include "stereosource.h"

#include <memory>
#include <string>
#include <vector>

namespace Tarvine::Render {

// A sound file in any format libsndfile reads, as a stereo source: a mono
// file goes to both channels, a file with more than two channels gives its
// first two. Reads a fixed chunk at a time, whatever the file's length. A
// signal from those that catchInterruptions names ends the wait for a
// pipe's writer, in opening the file or in reading it, at once.
class SoundFileReader final : public StereoSource
{
public:
	// Null with a reason in `error` when the file cannot be opened or holds
	// no audio, or when a signal came first.
	static std::unique_ptr<SoundFileReader> open (const std::string& path, std::string& error);

	double sampleRate () const override { return rate; }
	uint64_t lengthBound () const override { return headerFrames; }
	bool read (float* left, float* right, size_t frames, size_t& framesRead,
	           std::string& error) override;
	std::optional<FileIdentity> fileIdentity () const override { return identity; }
	std::optional<ShortInput> shortfall () const override;

private:
	explicit SoundFileReader (Descriptor descriptor);

	bool openSoundFile (std::string& error);
	bool refill (std::string& error);

	// Declared first, so that it closes after libsndfile is done with it.
	Descriptor descriptor;
	// Watches the descriptor for as long as libsndfile may read it.
	InterruptibleInput interruptible;
	SoundFileHandle file;
	std::optional<FileIdentity> identity;
	size_t channels = 0;
	double rate = 0.0;
	// As libsndfile reads the header: a file cut short holds fewer, and a
	// stream written before its length was known claims the most its
	// header can.
	uint64_t headerFrames = 0;
	// As the header itself says, where it says.
	std::optional<uint64_t> declaredFrames;
	uint64_t framesTaken = 0; // from libsndfile so far
	std::vector<float> chunk; // interleaved, as the file holds it
	size_t chunkFrames = 0;
	size_t chunkPosition = 0;
	bool ended = false;
};

} // namespace Tarvine::Render
