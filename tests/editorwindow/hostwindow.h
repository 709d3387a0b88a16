#pragma once

#include "editorwindow/hostrunloop.h"

#include "pluginterfaces/gui/iplugview.h"

// Xlib's Display and Window, named without its header, whose macros (None,
// Bool, Status...) would clash with the test frameworks' names.
struct _XDisplay;

namespace Tarvine {
namespace EditorWindow {

// One top-level window of the host, the way a host gives each plug-in editor
// a window of its own: the editor puts its own X window inside it, and asks
// this window's frame to resize it or for the run loop.
// Lives on the host's stack: the frame does no reference counting.
class HostWindow : public Steinberg::IPlugFrame
{
public:
	using XWindowId = unsigned long;

	// A black window of 100 x 100 at x, y of the screen, shown before this
	// returns, made through the host's own connection `display`.
	HostWindow (_XDisplay* display, HostRunLoop& runLoop, int x, int y);
	~HostWindow ();
	HostWindow (const HostWindow&) = delete;
	HostWindow& operator= (const HostWindow&) = delete;

	XWindowId id () const { return window; }
	// The parent to hand IPlugView::attached for kPlatformTypeX11EmbedWindowID.
	void* parent () const { return reinterpret_cast<void*> (window); }
	int width () const { return size.width; }
	int height () const { return size.height; }
	void resize (int width, int height);
	void show ();
	void hide ();
	// What an XEMBED embedder tells the windows it has taken in.
	void sendEmbeddedNotify ();
	// Whether an editor's window inside this one is mapped and viewable.
	bool hasMappedChild () const;
	// How many windows the server lists inside this one, mapped or not.
	unsigned childCount () const;

	Steinberg::tresult PLUGIN_API resizeView (Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

private:
	_XDisplay* display;
	HostRunLoop& runLoop;
	XWindowId window;
	struct
	{
		int width, height;
	} size {100, 100};
};

// The host's own connection to the X server, apart from the editors' own:
// open from construction, closed on destruction.
class HostDisplay
{
public:
	// Opens the display named (as in DISPLAY), or DISPLAY's with nullptr.
	explicit HostDisplay (const char* name);
	~HostDisplay ();
	HostDisplay (const HostDisplay&) = delete;
	HostDisplay& operator= (const HostDisplay&) = delete;

	// Null if the display could not be opened.
	_XDisplay* get () const { return display; }

private:
	_XDisplay* display;
};

// Reads and drops the events of the host's own connection (exposures of its
// windows, which it leaves to the server's background), so they do not pile up.
void discardOwnEvents (_XDisplay* display);

} // namespace EditorWindow
} // namespace Tarvine
