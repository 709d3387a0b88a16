#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fileidentity.h"

namespace Tarvine::Render {

// An input that ended before the length its header declared: a cut file, or
// one cut while it was read.
struct ShortInput
{
	uint64_t declaredFrames;
	uint64_t framesRead;
};

// A stereo signal read front to back a piece at a time, so that a render
// holds one piece of it, however long it is.
class StereoSource
{
public:
	virtual ~StereoSource () = default;

	virtual double sampleRate () const = 0;

	// The most frames the signal can hold: its length, or the largest value
	// where that is not known (a pipe).
	virtual uint64_t lengthBound () const = 0;

	// Up to `frames` frames into `left` and `right`, in `framesRead`: fewer
	// only where the signal ends, after which every read gives none. False
	// with a reason in `error` when the signal cannot be read.
	virtual bool read (float* left, float* right, size_t frames, size_t& framesRead,
	                   std::string& error) = 0;

	// The file the signal is read from, where it is one: a render must not
	// write over what it reads.
	virtual std::optional<FileIdentity> fileIdentity () const { return std::nullopt; }

	// Once the signal has been read to its end: by how much it fell short of
	// the length its header declared, where it did and that length is known.
	virtual std::optional<ShortInput> shortfall () const { return std::nullopt; }
};

} // namespace Tarvine::Render
