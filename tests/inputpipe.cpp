#include "inputpipe.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace Tarvine::Test {

namespace {

void closeIfOpen (int& descriptor)
{
	if (descriptor >= 0)
		close (descriptor);
	descriptor = -1;
}

} // namespace

PipeWriter::PipeWriter ()
{
	// A tool that stops reading must fail the test, not end it.
	std::signal (SIGPIPE, SIG_IGN);
}

PipeWriter::~PipeWriter ()
{
	end ();
}

bool PipeWriter::write (const std::string& bytes)
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

void PipeWriter::end ()
{
	closeIfOpen (writingEnd);
}

InputPipe::InputPipe ()
{
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

StreamFeeder::StreamFeeder (const std::filesystem::path& pipe, ToolProcess& reader)
{
	waitUntil (
	    [&] {
		    writingEnd = open (pipe.c_str (), O_WRONLY | O_NONBLOCK);
		    return writingEnd >= 0 || !reader.running ();
	    },
	    std::chrono::seconds (30));
	if (writingEnd >= 0)
		fcntl (writingEnd, F_SETFL, 0);
}

} // namespace Tarvine::Test
