#include "outputfile.h"

#include "contentreplacement.h"
#include "filecalls.h"
#include "linkchain.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace Tarvine::Render {

namespace fs = std::filesystem;

namespace {

const std::string kHeaderComesLast = ", and a WAV file's header is completed once its length is known";

fs::path folderOf (const fs::path& file)
{
	return file.has_parent_path () ? file.parent_path () : fs::path (".");
}

// The folder of the name that `path` leads to, where that name still holds
// the open `file` (a descriptor's link in /proc may name a file that has
// gone from its folder).
std::optional<std::string> folderHolding (const std::string& path, int file)
{
	std::string ignored;
	const auto name = followLinks (path, ignored);
	struct stat status {};
	if (!name || stat (name->c_str (), &status) != 0 ||
	    identityOf (file) != FileIdentity {status.st_dev, status.st_ino})
		return std::nullopt;
	return folderOf (*name).string ();
}

std::string systemTemporaryFolder ()
{
	const char* folder = std::getenv ("TMPDIR");
	return folder && *folder ? folder : "/tmp";
}

// What a file made with open (0666) in `folder` gets: what the folder's
// default ACL grants, or else what the caller's umask leaves.
mode_t modeOfNewFiles (const std::string& folder)
{
	if (const auto granted = modeFromDefaultAcl (folder))
		return *granted;
	const mode_t mask = umask (0);
	umask (mask);
	return static_cast<mode_t> (0666 & ~mask);
}

// Refuses what no render can go to; true for the rest.
bool mayTake (mode_t type, OutputFile::Refusal& refusal, std::string& error)
{
	if (S_ISDIR (type))
	{
		refusal = OutputFile::Refusal::kCannotWrite;
		error = "it is a folder";
		return false;
	}
	if (S_ISFIFO (type) || S_ISSOCK (type))
	{
		refusal = OutputFile::Refusal::kUnusable;
		error = (S_ISFIFO (type) ? "it is a pipe" : "it is a socket") + kHeaderComesLast;
		return false;
	}
	return true;
}

// Why an existing file cannot be opened to be written as a whole.
std::string whyNotWritable (const std::string& path, int openError)
{
	if (openError == EPERM)
	{
		if (const std::string protection = writeProtectionOf (path); !protection.empty ())
			return "it is " + protection + ", and a render replaces the whole file";
	}
	return std::strerror (openError);
}

// What stands at `path`, opened to be written from its start (and not
// emptied): a regular file or a device. Empty with the reason in `refusal`
// and `error` for anything else, for the file the render reads, and for
// what the user may not write as a whole.
Descriptor openWhatStands (const std::string& path, const std::optional<FileIdentity>& input,
                           OutputFile::Refusal& refusal, std::string& error)
{
	refusal = OutputFile::Refusal::kCannotWrite;
	struct stat status {};
	if (stat (path.c_str (), &status) != 0)
	{
		error = std::strerror (errno);
		return {};
	}
	if (!mayTake (status.st_mode, refusal, error))
		return {};
	// Not blocking on a pipe that took the name meanwhile, nor making a
	// terminal the tool's own. Read as well where the user may: where room
	// cannot be reserved ahead, the old contents are kept aside first.
	constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
	Descriptor file (open (path.c_str (), O_RDWR | kFlags));
	if (!file && errno == EACCES)
		file = Descriptor (open (path.c_str (), O_WRONLY | kFlags));
	file = clearOfStandardStreams (std::move (file));
	if (!file)
	{
		error = whyNotWritable (path, errno);
		return {};
	}
	if (fstat (file.get (), &status) != 0 || !mayTake (status.st_mode, refusal, error))
		return {};
	if (input && identityOf (file.get ()) == *input)
	{
		refusal = OutputFile::Refusal::kUnusable;
		error = "--out names the --in file, which the render reads as it writes";
		return {};
	}
	if (isatty (file.get ()))
	{
		refusal = OutputFile::Refusal::kUnusable;
		error = "it is a terminal" + kHeaderComesLast;
		return {};
	}
	fcntl (file.get (), F_SETFL, fcntl (file.get (), F_GETFL) & ~O_NONBLOCK);
	return file;
}

} // namespace

OutputFile::OutputFile (std::string path, std::optional<FileIdentity> input)
: path (std::move (path)), input (input)
{
}

std::unique_ptr<OutputFile> OutputFile::prepare (const std::string& path, std::optional<FileIdentity> input,
                                                 Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	std::unique_ptr<OutputFile> output (new OutputFile (path, input));
	struct stat status {};
	if (stat (path.c_str (), &status) != 0 && errno == ENOENT)
		return output->takeNewName (refusal, error) ? std::move (output) : nullptr;

	Descriptor file = openWhatStands (path, input, refusal, error);
	if (!file)
		return nullptr;
	if (!isRegularFile (file.get ()))
	{
		output->device = std::move (file);
		return output;
	}
	return output->takeExistingFile (std::move (file), refusal, error) ? std::move (output) : nullptr;
}

bool OutputFile::takeExistingFile (Descriptor file, Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	// Beside the file, on its disk, where its folder takes a new file;
	// else where the system keeps temporary files.
	for (const auto& folder : {folderHolding (path, file.get ()), std::optional (systemTemporaryFolder ())})
	{
		if (!folder)
			continue;
		if ((render = PrivateFile::create (*folder, error)))
		{
			renderFolder = *folder;
			existing = std::move (file);
			return true;
		}
	}
	return false;
}

bool OutputFile::takeNewName (Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	// Through links the file they lead to is made, so that the links stay.
	const auto target = followLinks (path, error);
	if (!target)
		return false;
	newName = target->filename ().string ();
	if (newName.empty () || newName == "." || newName == "..")
	{
		error = "it names a folder, not a file";
		return false;
	}
	renderFolder = folderOf (*target).string ();
	render = PrivateFile::create (renderFolder, error);
	newFileMode = modeOfNewFiles (renderFolder);
	return render != nullptr;
}

int OutputFile::descriptor () const
{
	return device ? device.get () : render->descriptor ();
}

bool OutputFile::commit (Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	if (device)
		return true;
	if (existing)
		return commitIntoExisting (refusal, error);

	if (fsync (render->descriptor ()) != 0)
	{
		error = std::string ("the render cannot be flushed to disk: ") + std::strerror (errno);
		return false;
	}
	// Made readable by its user alone, it gets what any new file gets
	// there (with a default ACL, what that ACL grants: the change of mode
	// sets its mask). Only a courtesy: the render is whole either way.
	fchmod (render->descriptor (), newFileMode);
	if (render->placeAs (newName))
		return true;
	if (errno != EEXIST)
	{
		error = std::strerror (errno);
		return false;
	}
	// Another render, or someone else, took the name meanwhile: what
	// stands there now is replaced as any existing file is.
	existing = openWhatStands (path, input, refusal, error);
	if (!existing)
		return false;
	if (!isRegularFile (existing.get ()))
	{
		refusal = Refusal::kCannotWrite;
		error = "the name was taken meanwhile by what is not a file";
		return false;
	}
	return commitIntoExisting (refusal, error);
}

bool OutputFile::commitIntoExisting (Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	if (input && identityOf (existing.get ()) == *input)
	{
		refusal = Refusal::kUnusable;
		error = "--out names the --in file, which the render reads as it writes";
		return false;
	}
	switch (replaceContents (existing.get (), render->descriptor (), renderFolder, error))
	{
		case ReplacementOutcome::kReplaced:
			return true;
		case ReplacementOutcome::kFailed:
			return false;
		case ReplacementOutcome::kInterrupted:
			refusal = Refusal::kInterrupted;
			return false;
	}
	return false;
}

} // namespace Tarvine::Render
