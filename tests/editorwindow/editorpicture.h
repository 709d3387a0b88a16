#pragma once

#include "editorwindow/hostrunloop.h"
#include "editorwindow/windowcapture.h"

#include <X11/Xlib.h>

#include <chrono>
#include <optional>

namespace Tarvine {
namespace EditorWindow {

// Whether a capture of a host window shows the editor's picture: the editor
// paints every pixel of its window and draws nothing pure black, so a window
// it has not painted yet keeps the host window's black.
bool showsEditorPicture (const Capture& capture);

// Serves the run loop in short slices and captures the window after each,
// until it shows the editor's picture or the time is up. Gives how long the
// picture took to show, or nothing if it never did.
std::optional<std::chrono::milliseconds> waitForEditorPicture (Display* display, Window window,
                                                               HostRunLoop& runLoop,
                                                               std::chrono::milliseconds limit);

} // namespace EditorWindow
} // namespace Tarvine
