#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>

namespace Tarvine {
namespace EditorWindow {

// The bytes of pixmap memory the X server holds for all its clients
// together, as its X-Resource extension counts them; nothing if the server
// does not answer. What a client leaves behind in the server never shows in
// the client's own memory, but here.
std::optional<uint64_t> serverPixmapBytes (Display* display);

} // namespace EditorWindow
} // namespace Tarvine
