#pragma once

// The pipes the render tool reads its input from while the test writes into
// them, so that the test decides when the input goes on and when it ends
// (POSIX only).

#include "toolprocess.h"

#include <filesystem>
#include <functional>
#include <string>

namespace Tarvine::Test {

// The test's end of such a pipe.
class PipeWriter
{
public:
	PipeWriter (const PipeWriter&) = delete;
	PipeWriter& operator= (const PipeWriter&) = delete;

	bool opened () const { return writingEnd >= 0; }
	// All of `bytes`; false where the tool no longer reads.
	bool write (const std::string& bytes);
	// The end of the input.
	void end ();

protected:
	PipeWriter ();
	~PipeWriter ();

	int writingEnd = -1;
};

// A pipe whose reading end becomes the tool's standard input, and whose
// writing end the test holds.
class InputPipe : public PipeWriter
{
public:
	InputPipe ();
	~InputPipe ();

	// For ToolSetup::inChild: the reading end as standard input, and no
	// writing end, so that the tool sees the input end when the test ends it.
	std::function<bool ()> asStandardInput () const;
	// Once the tool is started: the test keeps only the writing end.
	void started ();

private:
	int readingEnd = -1;
};

// A named pipe that the tool opens as its --in file.
class StreamFeeder : public PipeWriter
{
public:
	// Waits until the tool opens the pipe; a tool that ended first never will.
	StreamFeeder (const std::filesystem::path& pipe, ToolProcess& reader);
};

} // namespace Tarvine::Test
