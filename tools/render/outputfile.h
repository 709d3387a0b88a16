#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace Tarvine::Render {

// Where a render's file goes. A regular file, or a name not taken yet, is
// written as a new file in the same folder and renamed onto the name only
// once it is complete: a render that fails or is stopped leaves whatever
// the name held before, and no half-written file. Through a symbolic link
// the file it points to is replaced, and the link stays. A device such as
// /dev/null is written directly.
class OutputFile
{
public:
	enum class Refusal
	{
		kCannotWrite,   // the folder, the file or the disk will not take it
		kCannotRewind   // a pipe or a socket: a WAV header is finished last
	};

	// Null with the reason in `refusal` and `error` when `path` cannot take
	// the file; creates nothing then.
	static std::unique_ptr<OutputFile> prepare (const std::string& path, Refusal& refusal, std::string& error);
	// Removes the new file unless it was put in place.
	~OutputFile ();

	OutputFile (const OutputFile&) = delete;
	OutputFile& operator= (const OutputFile&) = delete;

	// Where to write the file until it is complete.
	const std::string& writePath () const { return written; }

	// Puts the complete and closed file in its place. False with a reason
	// when that failed, the new file left to go with this object.
	bool commit (std::string& error);

private:
	OutputFile () = default;

	// The name the finished file takes; empty for a device, which is
	// written directly.
	std::filesystem::path target;
	std::string written;
	bool committed = false;
	// Of the file being replaced, which the new one takes on.
	std::optional<std::filesystem::perms> permissions;
};

} // namespace Tarvine::Render
