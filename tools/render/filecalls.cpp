#include "filecalls.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <linux/falloc.h>
#include <sys/xattr.h>
#endif

namespace Tarvine::Render {

namespace {

bool isUnsupported (int error)
{
	return error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS;
}

bool copyByReadAndWrite (int from, int to, off_t length)
{
	std::vector<char> buffer (1 << 20);
	off_t offset = 0;
	while (offset < length)
	{
		const auto want = static_cast<size_t> (std::min<off_t> (length - offset, static_cast<off_t> (buffer.size ())));
		const ssize_t got = pread (from, buffer.data (), want, offset);
		if (got < 0 && errno == EINTR)
			continue;
		if (got <= 0)
		{
			if (got == 0)
				errno = EIO; // the file is shorter than it was
			return false;
		}
		for (ssize_t put = 0; put < got;)
		{
			const ssize_t written = pwrite (to, buffer.data () + put, static_cast<size_t> (got - put), offset + put);
			if (written < 0 && errno == EINTR)
				continue;
			if (written <= 0)
				return false;
			put += written;
		}
		offset += got;
	}
	return true;
}

} // namespace

Descriptor clearOfStandardStreams (Descriptor descriptor)
{
	if (!descriptor || descriptor.get () > STDERR_FILENO)
		return descriptor;
	return Descriptor (fcntl (descriptor.get (), F_DUPFD_CLOEXEC, STDERR_FILENO + 1));
}

Descriptor openFolder (const std::string& path)
{
#ifdef O_PATH
	constexpr int kOnlyToName = O_PATH;
#else
	constexpr int kOnlyToName = O_RDONLY;
#endif
	return clearOfStandardStreams (Descriptor (open (path.c_str (), kOnlyToName | O_DIRECTORY | O_CLOEXEC)));
}

Descriptor createUnnamedFile (int folder, bool& unsupported)
{
	unsupported = true;
#ifdef O_TMPFILE
	Descriptor file (openat (folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR));
	// Kernels and file systems without it answer in several ways.
	unsupported = !file && (isUnsupported (errno) || errno == EISDIR || errno == EINVAL);
	return clearOfStandardStreams (std::move (file));
#else
	(void) folder;
	errno = ENOTSUP;
	return {};
#endif
}

bool linkByDescriptor (int file, int folder, const std::string& name, bool& unsupported)
{
	unsupported = false;
#ifdef __linux__
	// The descriptor's link in /proc leads to the very file, whatever
	// names it has or has not.
	const std::string byDescriptor = "/proc/self/fd/" + std::to_string (file);
	if (linkat (AT_FDCWD, byDescriptor.c_str (), folder, name.c_str (), AT_SYMLINK_FOLLOW) == 0)
		return true;
	// Without /proc mounted.
	if (errno == ENOENT && access ("/proc/self/fd", F_OK) != 0)
	{
		if (linkat (file, "", folder, name.c_str (), AT_EMPTY_PATH) == 0)
			return true;
		unsupported = errno == ENOENT || errno == EPERM;
	}
	return false;
#else
	(void) file;
	(void) folder;
	(void) name;
	unsupported = true;
	errno = ENOTSUP;
	return false;
#endif
}

bool reserveSpace (int file, off_t length, bool& unsupported)
{
	unsupported = false;
#ifdef __linux__
	int result = 0;
	do
		result = fallocate (file, FALLOC_FL_KEEP_SIZE, 0, length);
	while (result != 0 && errno == EINTR);
	if (result == 0)
		return true;
	unsupported = isUnsupported (errno);
	return false;
#else
	(void) file;
	(void) length;
	unsupported = true;
	errno = ENOTSUP;
	return false;
#endif
}

std::optional<mode_t> modeFromDefaultAcl (const std::string& folder)
{
#ifdef __linux__
	// The attribute's own form: a version, then entries of a tag, the
	// permissions and an id, each little-endian.
	unsigned char acl[4096];
	const ssize_t size = getxattr (folder.c_str (), "system.posix_acl_default", acl, sizeof acl);
	if (size < 4 || (size - 4) % 8 != 0)
		return std::nullopt;
	constexpr unsigned kOwner = 0x01, kOwningGroup = 0x04, kMask = 0x10, kOthers = 0x20;
	unsigned owner = 0, owningGroup = 0, others = 0;
	std::optional<unsigned> mask;
	for (ssize_t at = 4; at < size; at += 8)
	{
		const unsigned tag = acl[at] | acl[at + 1] << 8;
		const unsigned permissions = (acl[at + 2] | acl[at + 3] << 8) & 7u;
		if (tag == kOwner)
			owner = permissions;
		else if (tag == kOwningGroup)
			owningGroup = permissions;
		else if (tag == kMask)
			mask = permissions;
		else if (tag == kOthers)
			others = permissions;
	}
	// The mask, where there is one, stands for the group's bits.
	return static_cast<mode_t> ((owner << 6 | mask.value_or (owningGroup) << 3 | others) & 0666);
#else
	(void) folder;
	return std::nullopt;
#endif
}

void startWriteback (int file)
{
#ifdef __linux__
	sync_file_range (file, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
	(void) file;
#endif
}

bool copyContents (int from, int to, off_t length)
{
#ifdef __linux__
	// Within the kernel, without passing every byte through the process.
	off_t in = 0, out = 0;
	while (in < length)
	{
		const ssize_t copied = copy_file_range (from, &in, to, &out, static_cast<size_t> (length - in), 0);
		if (copied > 0)
			continue;
		if (copied < 0 && errno == EINTR)
			continue;
		if (copied == 0)
		{
			errno = EIO; // the file is shorter than it was
			return false;
		}
		// Across file systems, or where the kernel or file system cannot.
		if (errno == EXDEV || errno == EINVAL || isUnsupported (errno))
			return copyByReadAndWrite (from, to, length);
		return false;
	}
	return true;
#else
	return copyByReadAndWrite (from, to, length);
#endif
}

std::string writeProtectionOf (const std::string& path)
{
#if defined(__linux__) && defined(STATX_ATTR_APPEND)
	struct statx status {};
	if (statx (AT_FDCWD, path.c_str (), 0, 0, &status) != 0)
		return {};
	if (status.stx_attributes_mask & status.stx_attributes & STATX_ATTR_IMMUTABLE)
		return "immutable";
	if (status.stx_attributes_mask & status.stx_attributes & STATX_ATTR_APPEND)
		return "append-only";
#else
	(void) path;
#endif
	return {};
}

} // namespace Tarvine::Render
