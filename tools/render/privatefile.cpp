#include "privatefile.h"

#include "filecalls.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace Tarvine::Render {

namespace {

// Where the system cannot make a file without a name: a fresh name of
// fixed length, never one that stands already, never through a link.
Descriptor createNamedFile (int folder, std::string& name)
{
	std::random_device seed;
	std::minstd_rand random (seed ());
	for (int attempt = 0; attempt < 100; ++attempt)
	{
		char candidate[32];
		std::snprintf (candidate, sizeof candidate, ".tarvine-%08x.tmp", static_cast<unsigned> (random ()));
		Descriptor file (openat (folder, candidate, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
		                         S_IRUSR | S_IWUSR));
		if (file)
		{
			name = candidate;
			return clearOfStandardStreams (std::move (file));
		}
		if (errno != EEXIST)
			return {};
	}
	errno = EEXIST;
	return {};
}

// Whether a file without a name can be given one later: through the
// descriptor's link in /proc.
bool unnamedFilesCanBeNamed ()
{
	return access ("/proc/self/fd", F_OK) == 0;
}

} // namespace

std::unique_ptr<PrivateFile> PrivateFile::create (const std::string& folderPath, std::string& error)
{
	Descriptor folder = openFolder (folderPath);
	if (!folder)
	{
		error = "no new file can be made in " + folderPath + ": " + std::strerror (errno);
		return nullptr;
	}
	bool unsupported = true;
	Descriptor file;
	if (unnamedFilesCanBeNamed ())
		file = createUnnamedFile (folder.get (), unsupported);
	std::string name;
	if (!file && unsupported)
		file = createNamedFile (folder.get (), name);
	if (!file)
	{
		error = "no new file can be made in " + folderPath + ": " + std::strerror (errno);
		return nullptr;
	}
	return std::unique_ptr<PrivateFile> (new PrivateFile (std::move (folder), std::move (file), std::move (name)));
}

PrivateFile::PrivateFile (Descriptor folder, Descriptor file, std::string temporaryName)
: folder (std::move (folder)), file (std::move (file)), temporaryName (std::move (temporaryName))
{
}

PrivateFile::~PrivateFile ()
{
	if (!temporaryName.empty () && holdsThisFile (temporaryName))
		unlinkat (folder.get (), temporaryName.c_str (), 0);
}

bool PrivateFile::holdsThisFile (const std::string& name) const
{
	struct stat status {};
	return fstatat (folder.get (), name.c_str (), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
	       identityOf (file.get ()) == FileIdentity {status.st_dev, status.st_ino};
}

bool PrivateFile::placeAs (const std::string& name)
{
	bool unsupported = false;
	bool placed = linkByDescriptor (file.get (), folder.get (), name, unsupported);
	// Only a named file gets here: by its name, once the name is seen to
	// hold this file still.
	if (!placed && unsupported && !temporaryName.empty ())
	{
		if (!holdsThisFile (temporaryName))
		{
			errno = ENOENT;
			return false;
		}
		placed = linkat (folder.get (), temporaryName.c_str (), folder.get (), name.c_str (), 0) == 0;
	}
	if (!placed)
		return false;
	if (!temporaryName.empty () && holdsThisFile (temporaryName))
		unlinkat (folder.get (), temporaryName.c_str (), 0);
	temporaryName.clear ();
	return true;
}

} // namespace Tarvine::Render
