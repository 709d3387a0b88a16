#include "processor/paramstate.h"

#include "pluginterfaces/base/ibstream.h"

#include <cstring>

namespace Steinberg {
namespace Vst {

namespace {

// The record as bytes, little-endian whatever the machine, field after
// field in the order the stream holds them.
class RecordBytes
{
public:
	uint8 bytes[kParamStateStreamSize] = {};

	void putInt32 (int32 value) { put (static_cast<uint32> (value), 4); }
	void putUInt64 (uint64 value) { put (value, 8); }
	void putDouble (double value)
	{
		uint64 bits;
		std::memcpy (&bits, &value, sizeof bits);
		put (bits, 8);
	}

	int32 takeInt32 () { return static_cast<int32> (static_cast<uint32> (take (4))); }
	uint64 takeUInt64 () { return take (8); }
	double takeDouble ()
	{
		const uint64 bits = take (8);
		double value;
		std::memcpy (&value, &bits, sizeof value);
		return value;
	}

private:
	int32 position = 0;

	void put (uint64 value, int32 count)
	{
		for (int32 b = 0; b < count; ++b)
			bytes[position++] = static_cast<uint8> (value >> (8 * b));
	}

	uint64 take (int32 count)
	{
		uint64 value = 0;
		for (int32 b = 0; b < count; ++b)
			value |= static_cast<uint64> (bytes[position++]) << (8 * b);
		return value;
	}
};

// A stream may move fewer bytes per call than asked (it reports how many);
// it is called again until the whole record has moved. Each call is judged
// by the bytes it reports, not by its result code, as the SDK's IBStreamer
// judges it: some hosts answer kResultFalse for a call that moved every byte,
// and a record they hold must load all the same. A call that moves nothing
// (or reports more than it was asked for) ends the stream.
template <typename Transfer>
bool transferWhole (uint8* bytes, int32 size, Transfer transfer)
{
	int32 done = 0;
	while (done < size)
	{
		int32 moved = 0;
		transfer (bytes + done, size - done, &moved);
		if (moved <= 0 || moved > size - done)
			return false;
		done += moved;
	}
	return true;
}

} // namespace

tresult writeParamState (const ParamState& state, IBStream* stream)
{
	if (!stream)
		return kResultFalse;

	RecordBytes record;
	record.putUInt64 (0);
	record.putInt32 (state.bypass ? 1 : 0);
	for (double value : state.values)
		record.putDouble (value);
	for (bool flag : state.flags)
		record.putInt32 (flag ? 1 : 0);

	auto write = [stream] (uint8* at, int32 count, int32* moved) { return stream->write (at, count, moved); };
	const bool written = transferWhole (record.bytes, kParamStateStreamSize, write);
	return written ? kResultOk : kResultFalse;
}

tresult readParamState (ParamState& state, IBStream* stream)
{
	if (!stream)
		return kResultFalse;

	RecordBytes record;
	auto read = [stream] (uint8* at, int32 count, int32* moved) { return stream->read (at, count, moved); };
	if (!transferWhole (record.bytes, kParamStateStreamSize, read))
		return kResultFalse;

	// Commit only a whole record, so a short stream never leaves a
	// half-written one.
	record.takeUInt64 (); // header word, always 0
	state.bypass = record.takeInt32 () > 0;
	for (double& value : state.values)
		value = record.takeDouble ();
	for (bool& flag : state.flags)
		flag = record.takeInt32 () > 0;
	return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
