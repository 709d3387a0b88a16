#pragma once

#include <atomic>

namespace Steinberg {
namespace Vst {

// Hands the latest value of a record from one thread (the writer) to another
// (the reader) without a lock, without allocation and without ever blocking
// either side: a triple buffer. The writer fills the slot it owns and swaps
// it with the middle slot, marked fresh; the reader swaps its own slot with
// the middle one only when that is fresh. Each slot is touched by one thread
// at a time, and the acquire-release swaps order the copies, so no record is
// ever read while it is being written. Values not taken before the next
// write are dropped: the reader sees the newest one.
//
// Exactly one writer and one reader: two writes, or two reads, must never
// run at once (a second reader would corrupt the slot indices for good). A
// role may pass to another thread when the calls of the two threads are
// otherwise ordered, as the host orders process and setActive.
template <typename T>
class LatestValue
{
public:
	// Writer side.
	void write (const T& value)
	{
		slots[writerSlot] = value;
		writerSlot = middle.exchange (writerSlot | kFresh, std::memory_order_acq_rel) & kSlotMask;
	}

	// Reader side: copies the newest value into `value` and reports true, or
	// reports false and leaves `value` alone when nothing new was written.
	bool read (T& value)
	{
		if ((middle.load (std::memory_order_relaxed) & kFresh) == 0)
			return false;
		readerSlot = middle.exchange (readerSlot, std::memory_order_acq_rel) & kSlotMask;
		value = slots[readerSlot];
		return true;
	}

private:
	static constexpr unsigned kSlotMask = 3;
	static constexpr unsigned kFresh = 4;
	static_assert (std::atomic<unsigned>::is_always_lock_free, "the slot index must be lock-free");

	T slots[3] {};
	std::atomic<unsigned> middle {1};
	unsigned writerSlot = 0;
	unsigned readerSlot = 2;
};

} // namespace Vst
} // namespace Steinberg
