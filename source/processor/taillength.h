#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <atomic>

namespace Steinberg {
namespace Vst {

// The tail length a host may ask for from any thread, at any time: while a
// record is being restored on one thread and blocks run on another. It holds
// nothing but lock-free atomics, written by the calls that change what the
// tail depends on and read without waiting by whoever asks.
//
// The reverb time comes in two entries, each with the number of the setState
// its record follows: the restored entry, written by setState, and the engine
// entry, written by whoever runs the engine (a block that took a restored
// record or parameter changes; an activation). A higher number in the
// restored entry means the engine has not yet made a block with that record,
// so the restored one is the newest; otherwise the engine's entry is, since
// it holds that record and the changes made on top of it. A block that
// applied changes to an older record therefore never hides a newer restored
// one, whichever thread writes last.
class TailLength
{
public:
	// Before any reverb time arrives the tail is the half second of the
	// engine's own decay alone.
	void setSampleRate (double sampleRate);
	void restored (uint64 generation, double reverbTimeMs);
	void engineFollows (uint64 generation, double reverbTimeMs);

	// Half a second beyond the newest reverb time, in samples, truncated.
	uint32 samples () const;

private:
	struct Entry
	{
		std::atomic<double> reverbTimeMs {0.0};
		std::atomic<uint64> generation {0};

		void store (uint64 number, double ms);
	};

	static_assert (std::atomic<double>::is_always_lock_free, "any thread may read the tail");
	static_assert (std::atomic<uint64>::is_always_lock_free, "any thread may read the tail");

	double newestReverbTimeMs () const;

	std::atomic<double> sampleRate {44100.0};
	Entry restoredEntry;
	Entry engineEntry;
};

} // namespace Vst
} // namespace Steinberg
