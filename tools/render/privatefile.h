#pragma once

#include "descriptor.h"
#include "fileidentity.h"

#include <memory>
#include <string>

namespace Tarvine::Render {

// A file that only this process writes, for a render until it is complete:
// readable and writable by its creator alone from the start, created where
// no file stood, and written only through the descriptor that created it,
// so that nobody can read it half-made or make the render go elsewhere.
// Where the system allows it has no name at all until it is given one;
// elsewhere it has a short name of fixed length, whatever the final name.
class PrivateFile
{
public:
	// In the folder `folderPath`; null with a reason in `error` when no
	// file can be made there.
	static std::unique_ptr<PrivateFile> create (const std::string& folderPath, std::string& error);
	// Takes its temporary name away, if it has one and the name still
	// holds this file.
	~PrivateFile ();

	PrivateFile (const PrivateFile&) = delete;
	PrivateFile& operator= (const PrivateFile&) = delete;

	int descriptor () const { return file.get (); }

	// Gives this very file, and never another, the name `name` in its
	// folder, never replacing what stands there: false with errno set
	// (EEXIST where the name is taken).
	bool placeAs (const std::string& name);

private:
	PrivateFile (Descriptor folder, Descriptor file, std::string temporaryName);

	bool holdsThisFile (const std::string& name) const;

	Descriptor folder;
	Descriptor file;
	std::string temporaryName; // empty while it has no name
};

} // namespace Tarvine::Render
