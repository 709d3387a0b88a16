#pragma once

#include <string>

namespace Tarvine::Render {

// `path` as the SDK's module loader needs it: the loader names the module
// inside a bundle after the path's last part, so the trailing separator
// that shell completion adds ("Tarvine.vst3/"), or a final ".", must go.
// A path that names the bundle only as "." or ".." becomes the folder's
// real path.
std::string bundlePathForLoading (const std::string& path);

} // namespace Tarvine::Render
