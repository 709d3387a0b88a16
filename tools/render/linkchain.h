#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace Tarvine::Render {

// The name a chain of symbolic links from `path` ends at: the file itself,
// or the name it would be created as. `visit`, where given, is shown every
// name of the chain from `path` on and ends the walk early by answering
// false (nothing is returned then, and `error` stays empty). Nothing, with
// the reason in `error`, where a link cannot be read or the chain is too
// long.
std::optional<std::filesystem::path> followLinks (std::filesystem::path path, std::string& error,
                                                  const std::function<bool (const std::filesystem::path&)>& visit = {});

} // namespace Tarvine::Render
