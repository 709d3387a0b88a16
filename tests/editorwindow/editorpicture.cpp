#include "editorwindow/editorpicture.h"
#include "editorwindow/hostwindow.h"

namespace Tarvine {
namespace EditorWindow {

using namespace std::chrono;

bool showsEditorPicture (const Capture& capture)
{
	constexpr uint32_t black = 0x000000;
	return capture.width > 0 && capture.shareOf (black) < 0.01 && capture.distinctColours () >= 64;
}

std::optional<milliseconds> waitForEditorPicture (Display* display, Window window, HostRunLoop& runLoop,
                                                  milliseconds limit)
{
	const auto start = steady_clock::now ();
	for (;;)
	{
		discardOwnEvents (display);
		const bool shows = showsEditorPicture (captureWindow (display, window));
		const auto elapsed = duration_cast<milliseconds> (steady_clock::now () - start);
		if (shows)
			return elapsed;
		if (elapsed >= limit)
			return std::nullopt;
		runLoop.run (10ms, ConnectionNumber (display));
	}
}

} // namespace EditorWindow
} // namespace Tarvine
