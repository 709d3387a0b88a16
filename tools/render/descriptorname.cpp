#include "descriptorname.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace Tarvine::Render {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40; // as many as Linux follows

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
	fs::path current = path;
	for (int link = 0; link < kMaxLinks; ++link)
	{
		const fs::path folder = current.has_parent_path () ? current.parent_path () : fs::path (".");
		if (const auto number = descriptorNumber (current.filename ().string ()); number && isDescriptorFolder (folder))
		{
			if (fcntl (*number, F_GETFD) != -1 || errno != EBADF)
				return false;
			error = "descriptor " + std::to_string (*number) + " is not open";
			return true;
		}
		std::error_code code;
		if (!fs::is_symlink (current, code))
			return false;
		const fs::path next = fs::read_symlink (current, code);
		if (code)
			return false;
		current = next.is_absolute () ? next : folder / next;
	}
	return false;
}

} // namespace Tarvine::Render
