#include "editorwindow/hostwindow.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <type_traits>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;

static_assert (std::is_same_v<HostWindow::XWindowId, Window>, "the header names Xlib's Window as it is");

namespace {

// The windows inside parent, as the server lists them.
struct Children
{
	Window* list {nullptr};
	unsigned count {0};

	Children (Display* display, Window parent)
	{
		Window root = 0, parentOfParent = 0;
		if (!XQueryTree (display, parent, &root, &parentOfParent, &list, &count))
		{
			list = nullptr;
			count = 0;
		}
	}
	~Children ()
	{
		if (list)
			XFree (list);
	}
	Children (const Children&) = delete;
	Children& operator= (const Children&) = delete;

	const Window* begin () const { return list; }
	const Window* end () const { return list + count; }
};

} // namespace

HostWindow::HostWindow (Display* display, HostRunLoop& runLoop, int x, int y)
: display (display), runLoop (runLoop)
{
	const int screen = DefaultScreen (display);
	window = XCreateSimpleWindow (display, DefaultRootWindow (display), x, y,
	                              static_cast<unsigned> (size.width), static_cast<unsigned> (size.height), 0,
	                              BlackPixel (display, screen), BlackPixel (display, screen));
	XStoreName (display, window, "Tarvine editor");
	XSelectInput (display, window, StructureNotifyMask | ExposureMask);
	show ();
}

HostWindow::~HostWindow ()
{
	XDestroyWindow (display, window);
	XSync (display, False);
}

void HostWindow::resize (int width, int height)
{
	size = {std::max (1, width), std::max (1, height)};
	XResizeWindow (display, window, static_cast<unsigned> (size.width), static_cast<unsigned> (size.height));
	XSync (display, False);
}

void HostWindow::show ()
{
	XMapWindow (display, window);
	XSync (display, False);
}

void HostWindow::hide ()
{
	XUnmapWindow (display, window);
	XSync (display, False);
}

void HostWindow::sendEmbeddedNotify ()
{
	const Atom xembed = XInternAtom (display, "_XEMBED", False);
	for (const Window child : Children (display, window))
	{
		XEvent event {};
		event.xclient.type = ClientMessage;
		event.xclient.window = child;
		event.xclient.message_type = xembed;
		event.xclient.format = 32;
		event.xclient.data.l[0] = CurrentTime;
		event.xclient.data.l[1] = 0; // XEMBED_EMBEDDED_NOTIFY
		event.xclient.data.l[3] = static_cast<long> (window);
		XSendEvent (display, child, False, NoEventMask, &event);
	}
	XSync (display, False);
}

bool HostWindow::hasMappedChild () const
{
	const Children children (display, window);
	return std::any_of (children.begin (), children.end (), [&] (Window child) {
		XWindowAttributes attributes {};
		return XGetWindowAttributes (display, child, &attributes) && attributes.map_state == IsViewable;
	});
}

unsigned HostWindow::childCount () const
{
	return Children (display, window).count;
}

HostDisplay::HostDisplay (const char* name) : display (XOpenDisplay (name))
{
}

HostDisplay::~HostDisplay ()
{
	if (display)
		XCloseDisplay (display);
}

void discardOwnEvents (Display* display)
{
	while (XPending (display))
	{
		XEvent event;
		XNextEvent (display, &event);
	}
}

tresult PLUGIN_API HostWindow::resizeView (IPlugView* view, ViewRect* newSize)
{
	if (view == nullptr || newSize == nullptr)
		return kInvalidArgument;
	resize (newSize->getWidth (), newSize->getHeight ());
	return view->onSize (newSize);
}

tresult PLUGIN_API HostWindow::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<IPlugFrame*> (this);
		return kResultOk;
	}
	return runLoop.queryInterface (iid, obj);
}

} // namespace EditorWindow
} // namespace Tarvine
