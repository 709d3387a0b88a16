#pragma once

// A WAV stream as a program writes one into a pipe, and a pipe that the
// render tool reads as its standard input (POSIX only).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Tarvine::Test {

// What the data chunk of a stream that began before its length was known
// declares: the most a WAV header can say.
constexpr uint32_t kUnknownLength = 0xffffffffu;

// The header of a 32-bit float WAV file whose data chunk declares
// `dataBytes`, and whose RIFF chunk agrees (or says the most, too).
std::string floatWavHeader (int channels, int rate, uint32_t dataBytes);

// Interleaved samples as such a file holds them: little-endian floats, as
// the machines here hold them.
std::string floatWavData (const std::vector<float>& samples);

// A pipe whose reading end becomes the tool's standard input, and whose
// writing end the test holds.
class InputPipe
{
public:
	InputPipe ();
	~InputPipe ();

	InputPipe (const InputPipe&) = delete;
	InputPipe& operator= (const InputPipe&) = delete;

	// For ToolSetup::inChild: the reading end as standard input, and no
	// writing end, so that the tool sees the input end when the test ends it.
	std::function<bool ()> asStandardInput () const;
	// Once the tool is started: the test keeps only the writing end.
	void started ();

	// All of `bytes`; false where the tool no longer reads.
	bool write (const std::string& bytes);
	// The end of the input.
	void end ();

private:
	int readingEnd = -1;
	int writingEnd = -1;
};

} // namespace Tarvine::Test
