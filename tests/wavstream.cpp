#include "wavstream.h"

#include "rendertool.h"

#include <cstring>

namespace Tarvine::Test {

namespace {

void appendLittleEndian (std::string& bytes, uint32_t value, int count)
{
	for (int byte = 0; byte < count; ++byte)
		bytes += static_cast<char> ((value >> (8 * byte)) & 0xffu);
}

} // namespace

std::string floatWavHeader (int channels, int rate, uint32_t dataBytes)
{
	const auto blockAlign = static_cast<uint32_t> (channels * 4);
	constexpr uint32_t kHeaderBytesAfterRiffSize = 36;
	std::string header = "RIFF";
	appendLittleEndian (header,
	                    dataBytes == kUnknownLength ? kUnknownLength : dataBytes + kHeaderBytesAfterRiffSize, 4);
	header += "WAVEfmt ";
	appendLittleEndian (header, 16, 4);
	appendLittleEndian (header, 3, 2); // IEEE float
	appendLittleEndian (header, static_cast<uint32_t> (channels), 2);
	appendLittleEndian (header, static_cast<uint32_t> (rate), 4);
	appendLittleEndian (header, static_cast<uint32_t> (rate) * blockAlign, 4);
	appendLittleEndian (header, blockAlign, 2);
	appendLittleEndian (header, 32, 2);
	header += "data";
	appendLittleEndian (header, dataBytes, 4);
	return header;
}

std::string floatWavData (const std::vector<float>& samples)
{
	std::string bytes (samples.size () * sizeof (float), '\0');
	std::memcpy (bytes.data (), samples.data (), bytes.size ());
	return bytes;
}

std::string streamHeader ()
{
	return floatWavHeader (2, kStreamRate, kUnknownLength);
}

std::string streamStart ()
{
	return streamHeader () + floatWavData (makeNoise (2, kStreamRate, kStreamRate).samples);
}

} // namespace Tarvine::Test
