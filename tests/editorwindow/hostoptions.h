#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string>
#include <vector>

namespace Tarvine {
namespace EditorWindow {

// How the host puts an editor on screen. Hosts differ here, and an editor
// must show its picture whichever way it is done.
enum class Embedder
{
	// Shows its window, attaches the editor and sends XEMBED's
	// EMBEDDED_NOTIFY at once.
	xembed,
	// Attaches the editor to a window it shows only a little later, and
	// then sends EMBEDDED_NOTIFY.
	showsAfterAttaching,
	// Shows its window, attaches the editor and sends no XEMBED message: the
	// editor maps its window itself. Hosts that only hand over a parent
	// window do this, and so, for as long as its own event queue holds the
	// editor's window creation back, does JUCE's.
	silent,
};

// A click, or a drag: pressed at x,y, moved down by dy, released.
struct Gesture
{
	int x, y;
	int dy;
	Steinberg::Vst::ParamID id;
	bool drag;
};

struct Options
{
	std::string bundle;
	std::string screenshot;
	int cycles {20};
	double scale {1.0};
	Embedder embedder {Embedder::xembed};
	bool click {false};
	int clickX {0}, clickY {0};
	int watchX {0}, watchY {0}, watchW {0}, watchH {0};
	std::vector<Gesture> gestures;
};

extern const char* const usage;

// Reads the command line; false if it is not one that usage describes.
bool parseOptions (int argc, char* argv[], Options& options);

} // namespace EditorWindow
} // namespace Tarvine
