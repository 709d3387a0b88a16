#pragma once

// What the tests of the files the render tool writes share: a fresh folder
// for each case, the demo's arguments, a WAV stream the test holds back so
// that a render is surely under way, and the powers a refusal test drops.
// POSIX only.

#include "toolprocess.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace Tarvine::Test {

constexpr const char* kEarlierContent = "the user's earlier render\n";
// The demo at this rate: four seconds, and the default tail of 0.85 s.
constexpr int kDemoRate = 8000;
constexpr size_t kDemoFrames = 4 * kDemoRate + 6800;
constexpr int kStreamRate = 48000;

// A fresh, empty folder for one case.
std::filesystem::path caseFolder (const std::string& name);

std::set<std::string> namesIn (const std::filesystem::path& folder);

void writeText (const std::filesystem::path& path, const std::string& text);

std::vector<std::string> demoArguments (const std::filesystem::path& output);

// As the shell reports a process that a signal ended.
int exitCodeForSignal (int number);

// Root may write any file: the tool then runs as root without the powers
// to pass over file permissions and ownership, dropped from the bounding
// set so that the tool cannot regain them when it is started. (Running it
// as another user instead fails where the build lies in a folder only root
// may enter, such as root's home.)
bool withoutRoot ();

// A WAV stream into a named pipe, as a program writes one before it knows
// its length: the header's sizes at their largest.
class StreamFeeder
{
public:
	// Waits until the tool opens the pipe; a tool that ended first never will.
	StreamFeeder (const std::filesystem::path& pipe, ToolProcess& reader);
	~StreamFeeder ();

	StreamFeeder (const StreamFeeder&) = delete;
	StreamFeeder& operator= (const StreamFeeder&) = delete;

	bool opened () const { return descriptor >= 0; }
	bool writeHeader (int channels);
	// The samples as little-endian floats, as the machines here hold them.
	bool writeSamples (const std::vector<float>& samples);
	void end ();

private:
	bool writeAll (const void* data, size_t size);

	int descriptor = -1;
};

// Waits until a regular file that the tool holds open for writing grows
// past `bytes`: the render is under way, part of it written. A render's
// file need not have a name to be seen so.
bool toolWritesPast (ToolProcess& tool, uintmax_t bytes);
// The same for whichever process `process` names at each look, until it
// names none (-1): a render that a shell started, say.
bool processWritesPast (const std::function<pid_t ()>& process, uintmax_t bytes);

// The regular files the tool holds open for writing, other than those it
// took along from the test, by their links in /proc (which lead to the
// file itself, even one without a name).
std::vector<std::filesystem::path> filesToolWrites (ToolProcess& tool);
std::vector<std::filesystem::path> filesProcessWrites (pid_t process);

} // namespace Tarvine::Test
