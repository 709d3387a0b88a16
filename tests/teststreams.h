#pragma once

#include "public.sdk/source/common/memorystream.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace Tarvine::Test {

// A host stream on the test's stack: it cannot seek, answers no other
// interface and counts no references.
class UnseekableStream : public Steinberg::IBStream
{
public:
	Steinberg::tresult PLUGIN_API seek (Steinberg::int64, Steinberg::int32, Steinberg::int64*) override
	{
		return Steinberg::kResultFalse;
	}
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID, void** obj) override
	{
		*obj = nullptr;
		return Steinberg::kNoInterface;
	}
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }
};

// A host stream that takes at most `capacity` bytes and refuses the rest,
// as a full disk or a host's fixed-size chunk would.
class LimitedStream : public UnseekableStream
{
public:
	explicit LimitedStream (Steinberg::int32 capacity) : capacity (capacity) {}

	Steinberg::tresult PLUGIN_API read (void*, Steinberg::int32, Steinberg::int32* numRead) override
	{
		if (numRead)
			*numRead = 0;
		return Steinberg::kResultFalse;
	}
	Steinberg::tresult PLUGIN_API write (void* buffer, Steinberg::int32 numBytes,
	                                     Steinberg::int32* numWritten) override
	{
		const auto room = capacity - static_cast<Steinberg::int32> (bytes.size ());
		const auto n = numBytes < room ? numBytes : room;
		const auto* p = static_cast<const char*> (buffer);
		bytes.insert (bytes.end (), p, p + n);
		if (numWritten)
			*numWritten = n;
		return n == numBytes ? Steinberg::kResultOk : Steinberg::kResultFalse;
	}
	Steinberg::tresult PLUGIN_API tell (Steinberg::int64* pos) override
	{
		if (pos)
			*pos = static_cast<Steinberg::int64> (bytes.size ());
		return Steinberg::kResultOk;
	}

	std::vector<char> bytes;

private:
	Steinberg::int32 capacity;
};

// A host stream that moves at most `chunk` bytes per call and reports how
// many, as IBStream allows (a pipe or a host's own buffering may do so); it
// holds `bytes` and reads them from the start. Every call answers `answer`,
// whatever it moved: some hosts answer kResultFalse for a call that moved
// every byte asked for, and the SDK's own stream helper counts only the bytes.
class TrickleStream : public UnseekableStream
{
public:
	TrickleStream (Steinberg::int32 chunk, std::vector<unsigned char> bytes = {},
	               Steinberg::tresult answer = Steinberg::kResultOk)
	: chunk (chunk), answer (answer), bytes (std::move (bytes))
	{
	}

	Steinberg::tresult PLUGIN_API read (void* buffer, Steinberg::int32 numBytes, Steinberg::int32* numRead) override
	{
		const auto left = static_cast<Steinberg::int32> (bytes.size ()) - position;
		const auto n = std::min ({numBytes, chunk, left});
		std::memcpy (buffer, bytes.data () + position, static_cast<size_t> (n));
		position += n;
		if (numRead)
			*numRead = n;
		return answer;
	}
	Steinberg::tresult PLUGIN_API write (void* buffer, Steinberg::int32 numBytes,
	                                     Steinberg::int32* numWritten) override
	{
		const auto n = std::min (numBytes, chunk);
		const auto* p = static_cast<const unsigned char*> (buffer);
		bytes.insert (bytes.end (), p, p + n);
		if (numWritten)
			*numWritten = n;
		return answer;
	}
	Steinberg::tresult PLUGIN_API tell (Steinberg::int64* pos) override
	{
		if (pos)
			*pos = position;
		return Steinberg::kResultOk;
	}

	const std::vector<unsigned char>& written () const { return bytes; }

private:
	Steinberg::int32 chunk;
	Steinberg::tresult answer;
	std::vector<unsigned char> bytes;
	Steinberg::int32 position = 0;
};

// The bytes a memory stream holds.
inline std::vector<unsigned char> streamBytes (Steinberg::MemoryStream& stream)
{
	const auto* data = reinterpret_cast<const unsigned char*> (stream.getData ());
	return {data, data + stream.getSize ()};
}

// A memory stream holding `bytes`, positioned at its start.
inline void fillStream (Steinberg::MemoryStream& stream, const std::vector<unsigned char>& bytes)
{
	Steinberg::int32 written = 0;
	stream.write (const_cast<unsigned char*> (bytes.data ()), static_cast<Steinberg::int32> (bytes.size ()),
	              &written);
	stream.seek (0, Steinberg::IBStream::kIBSeekSet, nullptr);
}

} // namespace Tarvine::Test
