#include "wavstream.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Tarvine::Test {

namespace {

void appendLittleEndian (std::string& bytes, uint32_t value, int count)
{
	for (int byte = 0; byte < count; ++byte)
		bytes += static_cast<char> ((value >> (8 * byte)) & 0xffu);
}

void closeIfOpen (int& descriptor)
{
	if (descriptor >= 0)
		close (descriptor);
	descriptor = -1;
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

InputPipe::InputPipe ()
{
	// A tool that stops reading must fail the test, not end it.
	std::signal (SIGPIPE, SIG_IGN);
	int ends[2] = {-1, -1};
	if (pipe (ends) != 0)
		return;
	readingEnd = ends[0];
	writingEnd = ends[1];
	// Kept from every other child the test starts.
	fcntl (writingEnd, F_SETFD, FD_CLOEXEC);
}

InputPipe::~InputPipe ()
{
	closeIfOpen (readingEnd);
	closeIfOpen (writingEnd);
}

std::function<bool ()> InputPipe::asStandardInput () const
{
	const int reading = readingEnd;
	const int writing = writingEnd;
	return [reading, writing] {
		if (reading < 0 || close (writing) != 0)
			return false;
		return reading == STDIN_FILENO || (dup2 (reading, STDIN_FILENO) == STDIN_FILENO && close (reading) == 0);
	};
}

void InputPipe::started ()
{
	closeIfOpen (readingEnd);
}

bool InputPipe::write (const std::string& bytes)
{
	const char* next = bytes.data ();
	size_t left = bytes.size ();
	while (left > 0)
	{
		const ssize_t written = ::write (writingEnd, next, left);
		if (written <= 0)
			return false;
		next += written;
		left -= static_cast<size_t> (written);
	}
	return true;
}

void InputPipe::end ()
{
	closeIfOpen (writingEnd);
}

} // namespace Tarvine::Test
