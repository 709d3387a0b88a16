#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <string>

struct _XDisplay;

namespace Tarvine::Test {

// A host's top-level X window that takes a plug-in editor in: it opens its
// own connection to the display, is shown before the constructor returns,
// follows the editor's size requests and hands the editor the host's run
// loop. Lives on the test's stack and counts no references. Keeps X11's
// headers (and their macros) out of the tests.
class X11HostWindow : public Steinberg::IPlugFrame
{
public:
	X11HostWindow (const std::string& displayName, Steinberg::Linux::IRunLoop& runLoop);
	~X11HostWindow ();
	X11HostWindow (const X11HostWindow&) = delete;
	X11HostWindow& operator= (const X11HostWindow&) = delete;

	// False when the display could not be opened.
	bool isOpen () const { return display != nullptr; }
	// The parent to hand IPlugView::attached for kPlatformTypeX11EmbedWindowID.
	void* parent () const { return reinterpret_cast<void*> (window); }

	Steinberg::tresult PLUGIN_API resizeView (Steinberg::IPlugView* view, Steinberg::ViewRect* newSize) override;
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

private:
	_XDisplay* display {nullptr};
	unsigned long window {0};
	Steinberg::Linux::IRunLoop& runLoop;
};

} // namespace Tarvine::Test
