#include "processor/paramstate.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Tarvine::Test::fillStream;
using Tarvine::Test::LimitedStream;
using Tarvine::Test::TrickleStream;
using Tarvine::Test::streamBytes;

namespace {

std::vector<unsigned char> le64 (uint64 v)
{
	std::vector<unsigned char> out;
	for (int i = 0; i < 8; ++i)
		out.push_back (static_cast<unsigned char> (v >> (8 * i)));
	return out;
}

std::vector<unsigned char> leDouble (double d)
{
	uint64 bits;
	std::memcpy (&bits, &d, sizeof bits);
	return le64 (bits);
}

std::vector<unsigned char> le32 (int32 v)
{
	auto out = le64 (static_cast<uint32> (v));
	out.resize (4);
	return out;
}

// A serialized record assembled field by field, independent of the writer.
std::vector<unsigned char> recordBytes (uint64 header, int32 bypass, const double (&values)[12],
                                        const int32 (&flags)[4])
{
	std::vector<unsigned char> out = le64 (header);
	auto append = [&] (const std::vector<unsigned char>& b) { out.insert (out.end (), b.begin (), b.end ()); };
	append (le32 (bypass));
	for (double v : values)
		append (leDouble (v));
	for (int32 f : flags)
		append (le32 (f));
	return out;
}

bool sameBits (double a, double b) { return std::memcmp (&a, &b, sizeof a) == 0; }

ParamState sampleRecord ()
{
	ParamState s;
	s.bypass = true;
	for (int i = 0; i < 12; ++i)
		s.values[i] = 0.1 * i - 0.3;
	s.values[2] = std::numeric_limits<double>::quiet_NaN ();
	s.values[7] = -std::numeric_limits<double>::infinity ();
	s.values[11] = 3.5;
	s.flags[1] = true;
	s.flags[3] = true;
	return s;
}

void expectSameRecord (const ParamState& a, const ParamState& b)
{
	EXPECT_EQ (a.bypass, b.bypass);
	for (int i = 0; i < 12; ++i)
		EXPECT_TRUE (sameBits (a.values[i], b.values[i])) << "value " << i;
	for (int i = 0; i < 4; ++i)
		EXPECT_EQ (a.flags[i], b.flags[i]) << "flag " << i;
}

} // namespace

TEST (ParamStateStream, WritesTheFieldsLittleEndianInTableOrder)
{
	const ParamState record = sampleRecord ();
	MemoryStream stream;
	ASSERT_EQ (writeParamState (record, &stream), kResultOk);

	const double (&v)[12] = record.values;
	EXPECT_EQ (streamBytes (stream), recordBytes (0, 1, v, {0, 1, 0, 1}));
	EXPECT_EQ (stream.getSize (), kParamStateStreamSize);
	EXPECT_EQ (kParamStateStreamSize, 124);
}

TEST (ParamStateStream, RoundTripKeepsEveryBitIncludingNaNAndReservedFields)
{
	const ParamState record = sampleRecord ();
	MemoryStream stream;
	ASSERT_EQ (writeParamState (record, &stream), kResultOk);
	stream.seek (0, IBStream::kIBSeekSet, nullptr);

	ParamState back;
	ASSERT_EQ (readParamState (back, &stream), kResultOk);
	expectSameRecord (back, record);
}

TEST (ParamStateStream, ReadsIntegersAsFlagsWhenPositiveAndIgnoresTheHeader)
{
	struct Case
	{
		int32 stored;
		bool expected;
	};
	for (const Case c : {Case {1, true}, Case {2, true}, Case {0, false}, Case {-1, false}})
	{
		double values[12] = {};
		MemoryStream stream;
		fillStream (stream, recordBytes (0xDEADBEEFCAFEF00Dull, c.stored, values, {c.stored, 0, 0, c.stored}));
		ParamState s;
		ASSERT_EQ (readParamState (s, &stream), kResultOk);
		EXPECT_EQ (s.bypass, c.expected) << c.stored;
		EXPECT_EQ (s.flags[0], c.expected) << c.stored;
		EXPECT_EQ (s.flags[3], c.expected) << c.stored;
	}
}

TEST (ParamStateStream, ZeroBytesReadAsAnAllZeroRecord)
{
	MemoryStream stream;
	fillStream (stream, std::vector<unsigned char> (124, 0));
	ParamState s = sampleRecord ();
	ASSERT_EQ (readParamState (s, &stream), kResultOk);
	expectSameRecord (s, ParamState {});
}

TEST (ParamStateStream, ShortOrMissingStreamLeavesTheTargetUntouched)
{
	const ParamState before = sampleRecord ();
	for (size_t length : {size_t {0}, size_t {8}, size_t {60}, size_t {123}})
	{
		MemoryStream stream;
		fillStream (stream, std::vector<unsigned char> (length, 0));
		ParamState s = before;
		EXPECT_EQ (readParamState (s, &stream), kResultFalse) << length;
		expectSameRecord (s, before);
	}
	ParamState s = before;
	EXPECT_EQ (readParamState (s, nullptr), kResultFalse);
	expectSameRecord (s, before);
}

TEST (ParamStateStream, StopsAfterTheRecordInALongerStream)
{
	MemoryStream stream;
	std::vector<unsigned char> bytes (124, 0);
	bytes.push_back (0xAB);
	fillStream (stream, bytes);
	ParamState s;
	ASSERT_EQ (readParamState (s, &stream), kResultOk);
	int64 pos = 0;
	stream.tell (&pos);
	EXPECT_EQ (pos, 124);
}

TEST (ParamStateStream, RefusedWriteIsReported)
{
	EXPECT_EQ (writeParamState (ParamState {}, nullptr), kResultFalse);
	for (int32 capacity : {0, 10, 123})
	{
		LimitedStream stream (capacity);
		EXPECT_EQ (writeParamState (sampleRecord (), &stream), kResultFalse) << capacity;
	}
	LimitedStream exact (124);
	EXPECT_EQ (writeParamState (sampleRecord (), &exact), kResultOk);
	EXPECT_EQ (exact.bytes.size (), 124u);
}

// A stream may move fewer bytes per call than asked, and may answer
// kResultFalse for a call that moved bytes: each call counts by the bytes it
// moved, so the record is read and written whole all the same, and a stream
// that ends early (a call that moves nothing) still leaves the target
// untouched.
TEST (ParamStateStream, StreamsAreJudgedByTheBytesEachCallMoved)
{
	MemoryStream whole;
	ASSERT_EQ (writeParamState (sampleRecord (), &whole), kResultOk);
	const std::vector<unsigned char> expected = streamBytes (whole);
	for (tresult answer : {kResultOk, kResultFalse})
	{
		for (int32 chunk : {124, 7, 4, 1})
		{
			SCOPED_TRACE (testing::Message () << "chunk " << chunk << (answer == kResultOk ? ", kResultOk" : ", kResultFalse"));
			TrickleStream out (chunk, {}, answer);
			ASSERT_EQ (writeParamState (sampleRecord (), &out), kResultOk);
			EXPECT_EQ (out.written (), expected);

			TrickleStream in (chunk, expected, answer);
			ParamState s;
			ASSERT_EQ (readParamState (s, &in), kResultOk);
			expectSameRecord (s, sampleRecord ());

			TrickleStream early (chunk, std::vector<unsigned char> (expected.begin (), expected.begin () + 100),
			                     answer);
			ParamState untouched;
			EXPECT_EQ (readParamState (untouched, &early), kResultFalse);
			expectSameRecord (untouched, ParamState {});
		}
	}
}
