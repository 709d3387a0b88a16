#pragma once

#include <optional>
#include <sys/types.h>

namespace Tarvine::Render {

// Which file an open descriptor stands for, whatever names lead to it: two
// descriptors with equal identities read and write the same bytes.
struct FileIdentity
{
	dev_t device;
	ino_t inode;

	bool operator== (const FileIdentity& other) const
	{
		return device == other.device && inode == other.inode;
	}
	bool operator!= (const FileIdentity& other) const { return !(*this == other); }
};

// The identity of what `descriptor` has open, or nothing when it is not open.
std::optional<FileIdentity> identityOf (int descriptor);

// Whether `descriptor` has a regular file open (not a device, pipe or socket).
bool isRegularFile (int descriptor);

} // namespace Tarvine::Render
