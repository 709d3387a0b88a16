#pragma once

// What the tests of the files the render tool writes share: a fresh folder
// for each case, the demo's and a stream's arguments, a stream the test
// holds back so that a render is surely under way, and the powers and room
// a refusal test takes away. POSIX only.

#include "inputpipe.h"
#include "toolprocess.h"

#include <gtest/gtest.h>

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
// More than the tool's write chunks (8192 frames of 8 bytes): a file the
// tool writes that has grown past it holds part of a render.
constexpr uintmax_t kPastFirstWrites = 100000;

// A fresh, empty folder for one case.
std::filesystem::path caseFolder (const std::string& name);

std::set<std::string> namesIn (const std::filesystem::path& folder);

void writeText (const std::filesystem::path& path, const std::string& text);

std::vector<std::string> demoArguments (const std::filesystem::path& output);
// A render of the stream that `input` names.
std::vector<std::string> streamArguments (const std::filesystem::path& input, const std::filesystem::path& output);

// Root may write any file: the tool then runs as root without the powers
// to pass over file permissions and ownership, dropped from the bounding
// set so that the tool cannot regain them when it is started. (Running it
// as another user instead fails where the build lies in a folder only root
// may enter, such as root's home.)
bool withoutRoot ();

// Keeps the tool from writing more than a file's header and a few blocks,
// as a full disk would (and with SIGXFSZ, unless the tool ignores it).
bool limitFileSize ();

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

// Writes the start of a stream (streamStart) into `input`, then waits until
// the tool has written part of its render: it is surely under way, held up
// by the stream the test still holds.
::testing::AssertionResult holdRenderUnderWay (PipeWriter& input, ToolProcess& tool);

} // namespace Tarvine::Test
