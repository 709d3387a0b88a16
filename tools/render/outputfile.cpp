#include "outputfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace Tarvine::Render {

namespace fs = std::filesystem;

namespace {

// The file a chain of symbolic links ends at, or would be created as: the
// new file goes beside it, so that the links stay.
std::optional<fs::path> followLinks (fs::path path, std::string& error)
{
	constexpr int kMaxLinks = 40; // as many as Linux follows
	for (int link = 0; link < kMaxLinks; ++link)
	{
		std::error_code code;
		if (!fs::is_symlink (path, code))
			return path;
		const fs::path next = fs::read_symlink (path, code);
		if (code)
		{
			error = code.message ();
			return std::nullopt;
		}
		path = next.is_absolute () ? next : path.parent_path () / next;
	}
	error = std::make_error_code (std::errc::too_many_symbolic_link_levels).message ();
	return std::nullopt;
}

// Opening for appending writes nothing, but asks for what replacing the
// file takes: the right to write it.
bool mayWrite (const fs::path& file, std::string& error)
{
	std::FILE* probe = std::fopen (file.string ().c_str (), "ab");
	if (!probe)
	{
		error = std::strerror (errno);
		return false;
	}
	std::fclose (probe);
	return true;
}

// A new, empty file in the folder of `target`, under a name no file had.
std::optional<fs::path> createFileBeside (const fs::path& target, std::string& error)
{
	const fs::path folder = target.has_parent_path () ? target.parent_path () : fs::path (".");
	std::random_device seed;
	std::minstd_rand random (seed ());
	for (int attempt = 0; attempt < 100; ++attempt)
	{
		char tag[16];
		std::snprintf (tag, sizeof tag, "%08x", static_cast<unsigned> (random ()));
		const fs::path candidate = folder / ("." + target.filename ().string () + "." + tag + ".tmp");
		// "x" fails where the name is taken: no other file is overwritten.
		if (std::FILE* file = std::fopen (candidate.string ().c_str (), "wbx"))
		{
			std::fclose (file);
			return candidate;
		}
		// The file itself may be writable where its folder is not.
		if (errno != EEXIST)
		{
			error = "no new file can be made in " + folder.string () + ": " + std::strerror (errno);
			return std::nullopt;
		}
	}
	error = "no free name for a new file in " + folder.string ();
	return std::nullopt;
}

} // namespace

std::unique_ptr<OutputFile> OutputFile::prepare (const std::string& path, Refusal& refusal, std::string& error)
{
	refusal = Refusal::kCannotWrite;
	std::unique_ptr<OutputFile> output (new OutputFile);

	// What the name leads to, through every link (/dev/stdout's too).
	std::error_code code;
	const fs::file_status status = fs::status (path, code);
	switch (status.type ())
	{
		case fs::file_type::regular:
		case fs::file_type::not_found:
			break;
		case fs::file_type::directory:
			error = "it is a folder";
			return nullptr;
		case fs::file_type::fifo:
		case fs::file_type::socket:
			refusal = Refusal::kCannotRewind;
			error = "it is a pipe, and a WAV file's header is completed once its length is known";
			return nullptr;
		case fs::file_type::none: // it could not be told, e.g. in a folder that may not be searched
			error = code.message ();
			return nullptr;
		default:
			output->written = path;
			return output;
	}

	const auto target = followLinks (path, error);
	if (!target)
		return nullptr;
	if (status.type () == fs::file_type::regular)
	{
		// A descriptor's link in /proc names a file that is no longer
		// there under that name.
		if (!fs::equivalent (path, *target, code))
		{
			error = "cannot tell which file it names";
			return nullptr;
		}
		if (!mayWrite (*target, error))
			return nullptr;
		output->permissions = status.permissions () & fs::perms::all;
	}
	const auto temporary = createFileBeside (*target, error);
	if (!temporary)
		return nullptr;
	output->target = *target;
	output->written = temporary->string ();
	return output;
}

OutputFile::~OutputFile ()
{
	if (target.empty () || committed)
		return;
	std::error_code ignored;
	fs::remove (written, ignored);
}

bool OutputFile::commit (std::string& error)
{
	if (!target.empty ())
	{
		std::error_code code;
		// Only a courtesy: the render is whole whether or not it took.
		if (permissions)
			fs::permissions (written, *permissions, code);
		fs::rename (written, target, code);
		if (code)
		{
			error = code.message ();
			return false;
		}
	}
	committed = true;
	return true;
}

} // namespace Tarvine::Render
