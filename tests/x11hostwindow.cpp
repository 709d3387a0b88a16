#include "x11hostwindow.h"

#include <X11/Xlib.h>

namespace Tarvine::Test {

using namespace Steinberg;

X11HostWindow::X11HostWindow (const std::string& displayName, Linux::IRunLoop& runLoop) : runLoop (runLoop)
{
	display = XOpenDisplay (displayName.c_str ());
	if (!display)
		return;
	window = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, 100, 100, 0, 0, 0);
	XMapWindow (display, window);
	XSync (display, False);
}

X11HostWindow::~X11HostWindow ()
{
	if (!display)
		return;
	XDestroyWindow (display, window);
	XCloseDisplay (display);
}

tresult PLUGIN_API X11HostWindow::resizeView (IPlugView* view, ViewRect* newSize)
{
	if (view == nullptr || newSize == nullptr)
		return kInvalidArgument;
	XResizeWindow (display, window, static_cast<unsigned> (newSize->getWidth ()),
	               static_cast<unsigned> (newSize->getHeight ()));
	XSync (display, False);
	return view->onSize (newSize);
}

tresult PLUGIN_API X11HostWindow::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<IPlugFrame*> (this);
		return kResultOk;
	}
	return runLoop.queryInterface (iid, obj);
}

} // namespace Tarvine::Test
