#include "processor/taillength.h"

#include <limits>

namespace Steinberg {
namespace Vst {

void TailLength::Entry::store (uint64 number, double ms)
{
	// The time first: a reader that sees the number sees this time or a
	// later one.
	reverbTimeMs.store (ms, std::memory_order_release);
	generation.store (number, std::memory_order_release);
}

void TailLength::setSampleRate (double rate)
{
	sampleRate.store (rate, std::memory_order_release);
}

void TailLength::restored (uint64 generation, double reverbTimeMs)
{
	restoredEntry.store (generation, reverbTimeMs);
}

void TailLength::engineFollows (uint64 generation, double reverbTimeMs)
{
	engineEntry.store (generation, reverbTimeMs);
}

double TailLength::newestReverbTimeMs () const
{
	const uint64 restoredNumber = restoredEntry.generation.load (std::memory_order_acquire);
	const uint64 engineNumber = engineEntry.generation.load (std::memory_order_acquire);
	const Entry& newest = restoredNumber > engineNumber ? restoredEntry : engineEntry;
	return newest.reverbTimeMs.load (std::memory_order_acquire);
}

uint32 TailLength::samples () const
{
	// A host's odd sample rate must not turn into an out-of-range conversion.
	const double tail = (newestReverbTimeMs () * 0.001 + 0.5) * sampleRate.load (std::memory_order_acquire);
	if (!(tail > 0.0))
		return 0;
	if (tail >= static_cast<double> (std::numeric_limits<uint32>::max ()))
		return std::numeric_limits<uint32>::max ();
	return static_cast<uint32> (tail);
}

} // namespace Vst
} // namespace Steinberg
