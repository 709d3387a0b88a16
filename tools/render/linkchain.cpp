#include "linkchain.h"

#include <system_error>

namespace Tarvine::Render {

namespace fs = std::filesystem;

std::optional<fs::path> followLinks (fs::path path, std::string& error,
                                     const std::function<bool (const fs::path&)>& visit)
{
	constexpr int kMaxLinks = 40; // as many as Linux follows
	for (int link = 0; link <= kMaxLinks; ++link)
	{
		if (visit && !visit (path))
			return std::nullopt;
		std::error_code code;
		if (!fs::is_symlink (path, code))
			return path;
		if (link == kMaxLinks)
			break;
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

} // namespace Tarvine::Render
