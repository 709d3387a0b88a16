#include "bundlepath.h"

#include <filesystem>
#include <system_error>

namespace Tarvine::Render {

std::string bundlePathForLoading (const std::string& path)
{
	std::filesystem::path bundle (path);
	while (bundle.has_relative_path () && (bundle.filename ().empty () || bundle.filename () == "."))
		bundle = bundle.parent_path ();
	if (bundle.empty () || bundle.filename () == "..")
	{
		std::error_code error;
		const auto real = std::filesystem::canonical (path, error);
		if (!error)
			bundle = real;
	}
	return bundle.empty () ? path : bundle.string ();
}

} // namespace Tarvine::Render
