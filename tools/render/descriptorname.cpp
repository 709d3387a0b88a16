#include "descriptorname.h"

#include "linkchain.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace Tarvine::Render {

namespace fs = std::filesystem;

namespace {

bool isDescriptorFolder (const fs::path& folder)
{
	std::error_code code;
	const fs::path real = fs::weakly_canonical (folder, code);
	if (code)
		return false;
	// /proc/self/fd and /dev/fd lead to /proc/PID/fd on Linux, and
	// /proc/thread-self/fd to /proc/PID/task/TID/fd; other systems have a
	// /dev/fd of their own.
	const fs::path ours = fs::path ("/proc") / std::to_string (getpid ());
	return real == "/dev/fd" || real == ours / "fd" ||
	       (real.filename () == "fd" && real.parent_path ().parent_path () == ours / "task");
}

// The descriptor `name` stands for in a descriptor folder: a whole number.
std::optional<int> descriptorNumber (const std::string& name)
{
	if (name.empty () || name.size () > 9 || name.find_first_not_of ("0123456789") != std::string::npos)
		return std::nullopt;
	return std::atoi (name.c_str ());
}

} // namespace

bool namesAClosedDescriptor (const std::string& path, std::string& error)
{
	bool closed = false;
	std::string unreadable; // a chain that cannot be followed names no descriptor
	followLinks (path, unreadable, [&] (const fs::path& name) {
		const fs::path folder = name.has_parent_path () ? name.parent_path () : fs::path (".");
		const auto number = descriptorNumber (name.filename ().string ());
		if (!number || !isDescriptorFolder (folder))
			return true;
		closed = fcntl (*number, F_GETFD) == -1 && errno == EBADF;
		if (closed)
			error = "descriptor " + std::to_string (*number) + " is not open";
		return false;
	});
	return closed;
}

} // namespace Tarvine::Render
