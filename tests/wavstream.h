#pragma once

// The bytes of a WAV stream as a program writes one into a pipe.

#include <cstdint>
#include <string>
#include <vector>

namespace Tarvine::Test {

constexpr int kStreamRate = 48000;

// What the data chunk of a stream that began before its length was known
// declares: the most a WAV header can say.
constexpr uint32_t kUnknownLength = 0xffffffffu;

// The header of a 32-bit float WAV file whose data chunk declares
// `dataBytes`, and whose RIFF chunk agrees (or says the most, too).
std::string floatWavHeader (int channels, int rate, uint32_t dataBytes);

// Interleaved samples as such a file holds them: little-endian floats, as
// the machines here hold them.
std::string floatWavData (const std::vector<float>& samples);

// The header of a stereo stream at kStreamRate whose length is not known.
std::string streamHeader ();

// That header and a second of noise: the start of a stream that the tool
// renders a good part of before it waits for more.
std::string streamStart ();

} // namespace Tarvine::Test
