#pragma once

#include "descriptor.h"
#include "fileidentity.h"
#include "privatefile.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace Tarvine::Render {

// Where a render's file goes, and what --out's file keeps.
//
// The render is written into a private file (see PrivateFile) and put in
// place only once it is complete, so that a render that fails or is
// stopped leaves whatever --out held byte for byte, and no file of its own.
// A name that holds nothing yet gets that file itself, in place of the
// file or link's target it would have been made as. An existing file is
// kept: once the render is complete it is copied into that file, which
// stays the same file with its owner, group, mode, ACL, attributes and
// every name. A device such as /dev/null is written directly. Whatever is
// written is never the file the render reads.
class OutputFile
{
public:
	enum class Refusal
	{
		kCannotWrite,  // the folder, the file or the disk will not take it
		kUnusable,     // a pipe, a terminal, the input: no render goes there
		kInterrupted   // a signal came while the file was still in another render's hands
	};

	// Null with the reason in `refusal` and `error` when `path` cannot take
	// the file; changes nothing then. `input` is the file the render reads.
	static std::unique_ptr<OutputFile> prepare (const std::string& path, std::optional<FileIdentity> input,
	                                            Refusal& refusal, std::string& error);

	OutputFile (const OutputFile&) = delete;
	OutputFile& operator= (const OutputFile&) = delete;

	// Where to write the render, from its start.
	int descriptor () const;
	// Whether what is written there is flushed to disk once complete and
	// then put in place as it is (not copied into another file).
	bool flushedWhenComplete () const { return render && !existing; }

	// Puts the complete file in its place. False with the reason in
	// `refusal` and `error` when that failed, whatever --out held then
	// still there as it was.
	bool commit (Refusal& refusal, std::string& error);

private:
	OutputFile (std::string path, std::optional<FileIdentity> input);

	bool takeExistingFile (Descriptor file, Refusal& refusal, std::string& error);
	bool takeNewName (Refusal& refusal, std::string& error);
	bool commitIntoExisting (Refusal& refusal, std::string& error);

	std::string path; // as given
	std::optional<FileIdentity> input;

	// A device, written directly.
	Descriptor device;
	// Otherwise the render until it is complete, and the folder it is made
	// in, where a spare copy can be made too.
	std::unique_ptr<PrivateFile> render;
	std::string renderFolder;
	// The existing file the render is copied into; or, where none stood,
	// the name the render takes in its folder and the mode it then gets.
	Descriptor existing;
	std::string newName;
	mode_t newFileMode = 0;
};

} // namespace Tarvine::Render
