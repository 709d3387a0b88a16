// The render tool's WAV writer on libsndfile's virtual I/O, so that files
// past 4 GiB need no disk: which format a length picks, and that the header
// always holds the true length.

#include "render.h"
#include "rendertool.h"
#include "wavwriter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace Tarvine::Render;
using Tarvine::Test::CaseName;

constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max ();

// A file that keeps its first MiB, where the header is, and of the rest
// only its length.
class KeptHeadFile
{
public:
	SF_VIRTUAL_IO io {&lengthOf, &seek, &read, &write, &tell};

	sf_count_t length () const { return size; }
	// For reading back what was written.
	void rewind () { position = 0; }

	uint32_t word (size_t offset) const { return static_cast<uint32_t> (number (offset, 4)); }
	uint64_t longWord (size_t offset) const { return number (offset, 8); }
	std::string id (size_t offset) const { return std::string (head.begin () + offset, head.begin () + offset + 4); }

	// The offset of the first chunk named `name` after the RIFF or RF64
	// header, or 0.
	size_t chunk (const std::string& name) const
	{
		for (size_t offset = 12; offset + 8 <= kKept && offset + 8 <= static_cast<size_t> (size);)
		{
			if (id (offset) == name)
				return offset;
			const uint32_t chunkSize = word (offset + 4);
			offset += 8 + chunkSize + (chunkSize & 1);
		}
		return 0;
	}

private:
	static constexpr size_t kKept = 1 << 20;

	uint64_t number (size_t offset, int bytes) const
	{
		uint64_t value = 0;
		for (int byte = bytes - 1; byte >= 0; --byte)
			value = (value << 8) | head[offset + static_cast<size_t> (byte)];
		return value;
	}

	static KeptHeadFile& of (void* data) { return *static_cast<KeptHeadFile*> (data); }

	static sf_count_t lengthOf (void* data) { return of (data).size; }
	static sf_count_t tell (void* data) { return of (data).position; }
	static sf_count_t seek (sf_count_t offset, int whence, void* data)
	{
		auto& file = of (data);
		const sf_count_t from = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? file.position : file.size;
		file.position = from + offset;
		return file.position;
	}
	static sf_count_t write (const void* bytes, sf_count_t count, void* data)
	{
		auto& file = of (data);
		const auto* from = static_cast<const unsigned char*> (bytes);
		for (sf_count_t i = 0; i < count && file.position + i < static_cast<sf_count_t> (kKept); ++i)
			file.head[static_cast<size_t> (file.position + i)] = from[i];
		file.position += count;
		file.size = std::max (file.size, file.position);
		return count;
	}
	static sf_count_t read (void* bytes, sf_count_t count, void* data)
	{
		auto& file = of (data);
		auto* to = static_cast<unsigned char*> (bytes);
		sf_count_t i = 0;
		for (; i < count && file.position < file.size; ++i, ++file.position)
			to[i] = file.position < static_cast<sf_count_t> (kKept) ? file.head[static_cast<size_t> (file.position)] : 0;
		return i;
	}

	std::vector<unsigned char> head = std::vector<unsigned char> (kKept);
	sf_count_t size = 0;
	sf_count_t position = 0;
};

// `frames` frames of silence, in pieces.
bool writeSilence (WavWriter& writer, uint64_t frames, std::string& error)
{
	constexpr size_t kPiece = 65536;
	static const std::vector<float> silence (kPiece);
	for (uint64_t written = 0; written < frames;)
	{
		const auto count = static_cast<size_t> (std::min<uint64_t> (kPiece, frames - written));
		if (!writer.write (silence.data (), silence.data (), count, error))
			return false;
		written += count;
	}
	return true;
}

struct LengthCase
{
	const char* name;
	uint64_t inputFrames;
	double rate;
	int format;
};

void PrintTo (const LengthCase& c, std::ostream* out)
{
	*out << c.name;
}

class RenderOutputFormat : public ::testing::TestWithParam<LengthCase>
{
};

TEST_P (RenderOutputFormat, IsPlainWavWhereverItsSizesHoldTheRender)
{
	const LengthCase c = GetParam ();
	EXPECT_EQ (wavFormatFor (renderLengthBound (c.inputFrames, c.rate)), c.format);
}

constexpr int kWav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr int kRf64 = SF_FORMAT_RF64 | SF_FORMAT_FLOAT;

INSTANTIATE_TEST_SUITE_P (
    Lengths, RenderOutputFormat,
    ::testing::Values (LengthCase {"demo", 4 * 44100, 44100.0, kWav},
                       // 4.17 GB with a minute of tail.
                       LengthCase {"three_hours_at_48kHz", 3ull * 3600 * 48000, 48000.0, kWav},
                       LengthCase {"three_hours_13_at_48kHz", (3ull * 3600 + 13 * 60) * 48000, 48000.0, kRf64},
                       LengthCase {"fifty_minutes_at_192kHz", 50ull * 60 * 192000, 192000.0, kRf64},
                       // A stream's header at its largest sizes, as libsndfile counts it.
                       LengthCase {"stream", 0xffffffffull / 8, 48000.0, kRf64},
                       LengthCase {"unknown", kMost, 48000.0, kRf64}),
    CaseName ());

TEST (RenderOutputFormat, PlainWavEndsWhereItsSizesEnd)
{
	EXPECT_EQ (wavFormatFor (kMaxPlainWavFrames), kWav);
	EXPECT_EQ (wavFormatFor (kMaxPlainWavFrames + 1), kRf64);
	// The RIFF size counts all but 8 bytes; the header of a float WAV file
	// takes less than 4 KiB.
	EXPECT_LE (kMaxPlainWavFrames * 8 + 4096, 0xffffffffull);
	EXPECT_GT ((kMaxPlainWavFrames + 1024) * 8, 0xffffffffull);
}

TEST (RenderWavWriter, PastFourGibibytesWritesRf64WithTheTrueLength)
{
	KeptHeadFile file;
	std::string error;
	auto writer = WavWriter::create (file.io, &file, 48000.0, kMost, error);
	ASSERT_TRUE (writer) << error;
	EXPECT_EQ (writer->format (), kRf64);
	const uint64_t frames = (1ull << 32) / 8 + 100000; // 4 GiB and 0.8 MB of samples
	ASSERT_TRUE (writeSilence (*writer, frames, error)) << error;
	ASSERT_TRUE (writer->finish (error)) << error;

	EXPECT_EQ (file.id (0), "RF64");
	EXPECT_EQ (file.word (4), 0xffffffffu);
	EXPECT_EQ (file.id (8), "WAVE");
	const size_t ds64 = file.chunk ("ds64");
	const size_t data = file.chunk ("data");
	ASSERT_GT (ds64, 0u);
	ASSERT_GT (data, 0u);
	EXPECT_EQ (file.longWord (ds64 + 8), static_cast<uint64_t> (file.length ()) - 8); // RIFF size
	EXPECT_EQ (file.longWord (ds64 + 16), frames * 8);                                // data size
	EXPECT_EQ (file.longWord (ds64 + 24), frames);                                    // sample frames
	EXPECT_EQ (file.word (data + 4), 0xffffffffu);
	EXPECT_EQ (data + 8 + frames * 8, static_cast<uint64_t> (file.length ()));
}

TEST (RenderWavWriter, BegunAsRf64ButShortComesOutAsWav)
{
	KeptHeadFile file;
	std::string error;
	auto writer = WavWriter::create (file.io, &file, 48000.0, kMost, error);
	ASSERT_TRUE (writer) << error;
	const std::vector<float> left {0.25f, -0.5f, 0.125f}, right {-0.75f, 0.5f, 1.0f};
	ASSERT_TRUE (writer->write (left.data (), right.data (), left.size (), error)) << error;
	ASSERT_TRUE (writer->finish (error)) << error;

	EXPECT_EQ (file.id (0), "RIFF");
	EXPECT_EQ (file.word (4), static_cast<uint32_t> (file.length ()) - 8);
	EXPECT_EQ (file.id (8), "WAVE");

	SF_INFO info {};
	file.rewind ();
	SNDFILE* reader = sf_open_virtual (&file.io, SFM_READ, &info, &file);
	ASSERT_TRUE (reader) << sf_strerror (nullptr);
	EXPECT_EQ (info.format, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT);
	EXPECT_EQ (info.frames, 3);
	std::vector<float> samples (6);
	EXPECT_EQ (sf_readf_float (reader, samples.data (), 3), 3);
	sf_close (reader);
	EXPECT_EQ (samples, (std::vector<float> {0.25f, -0.75f, -0.5f, 0.5f, 0.125f, 1.0f}));
}

// Where the length bound was wrong, a plain WAV file's sizes would wrap
// round: the writer fails instead, and the render with it.
TEST (RenderWavWriter, PlainWavRefusesToPassWhatItsHeaderHolds)
{
	KeptHeadFile file;
	std::string error;
	auto writer = WavWriter::create (file.io, &file, 48000.0, 1000, error);
	ASSERT_TRUE (writer) << error;
	EXPECT_EQ (writer->format (), kWav);
	ASSERT_TRUE (writeSilence (*writer, kMaxPlainWavFrames, error)) << error;

	EXPECT_FALSE (writeSilence (*writer, 1, error));
	EXPECT_NE (error.find ("4 GiB"), std::string::npos) << error;
}

} // namespace
