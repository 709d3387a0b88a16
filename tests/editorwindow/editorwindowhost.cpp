// Opens the plug-in's editor from the built bundle in a real X window, the
// way a Linux host does, saves what the window shows, clicks the about
// button, and then opens and closes the editor again and again. Every check
// that fails is printed and makes the exit status 1.
//
// Usage: editor_window_host BUNDLE --screenshot PNG [--cycles N] [--scale S]
//                           [--click X,Y --watch X,Y,W,H] [--edit X,Y,ID]...
//                           [--drag X,Y,DY,ID]...
//   --scale  the content scale factor the host asks for (2 on a HiDPI screen)
//   --click  a point in unscaled editor coordinates to click once it shows
//   --watch  the rectangle that must change because of that click
//   --edit   a point to click after the screenshot, and the parameter id
//            the click must edit in one step
//   --drag   a point to press on, how far down to move while pressed, and
//            the parameter id: the press and the move must each edit it in
//            one step

#include "editorwindow/editrecorder.h"
#include "editorwindow/hostrunloop.h"
#include "editorwindow/windowcapture.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

namespace Tarvine {
namespace EditorWindow {
namespace {

using namespace Steinberg;
using namespace std::chrono_literals;

int failures = 0;

void check (bool ok, const std::string& what)
{
	if (!ok)
	{
		std::fprintf (stderr, "FAIL: %s\n", what.c_str ());
		++failures;
	}
}

// The host's frame around one editor: it resizes the window on request and
// hands out the run loop, which a Linux editor asks its frame for.
class HostFrame : public IPlugFrame
{
public:
	HostFrame (Display* display, Window window, HostRunLoop& runLoop)
	: display (display), window (window), runLoop (runLoop)
	{
	}

	tresult PLUGIN_API resizeView (IPlugView* view, ViewRect* newSize) override
	{
		if (view == nullptr || newSize == nullptr)
			return kInvalidArgument;
		XResizeWindow (display, window, static_cast<unsigned> (newSize->getWidth ()),
		               static_cast<unsigned> (newSize->getHeight ()));
		XSync (display, False);
		return view->onSize (newSize);
	}

	tresult PLUGIN_API queryInterface (const TUID iid, void** obj) override
	{
		if (FUnknownPrivate::iidEqual (iid, IPlugFrame::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
		{
			*obj = static_cast<IPlugFrame*> (this);
			return kResultOk;
		}
		return runLoop.queryInterface (iid, obj);
	}
	uint32 PLUGIN_API addRef () override { return 1; }
	uint32 PLUGIN_API release () override { return 1; }

private:
	Display* display;
	Window window;
	HostRunLoop& runLoop;
};

// A click, or a drag: pressed at x,y, moved down by dy, released.
struct Gesture
{
	int x, y;
	int dy;
	Vst::ParamID id;
	bool drag;
};

struct Options
{
	std::string bundle;
	std::string screenshot;
	int cycles {20};
	double scale {1.0};
	bool click {false};
	int clickX {0}, clickY {0};
	int watchX {0}, watchY {0}, watchW {0}, watchH {0};
	std::vector<Gesture> gestures;
};

bool parseOptions (int argc, char* argv[], Options& options)
{
	for (int i = 1; i < argc; ++i)
	{
		const std::string arg = argv[i];
		const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
		if (arg == "--screenshot" && next)
			options.screenshot = argv[++i];
		else if (arg == "--cycles" && next)
			options.cycles = std::atoi (argv[++i]);
		else if (arg == "--scale" && next)
			options.scale = std::atof (argv[++i]);
		else if (arg == "--click" && next && std::sscanf (argv[++i], "%d,%d", &options.clickX, &options.clickY) == 2)
			options.click = true;
		else if (arg == "--watch" && next &&
		         std::sscanf (argv[++i], "%d,%d,%d,%d", &options.watchX, &options.watchY, &options.watchW,
		                      &options.watchH) == 4)
			continue;
		else if (Gesture g {}; arg == "--edit" && next && std::sscanf (argv[++i], "%d,%d,%u", &g.x, &g.y, &g.id) == 3)
			options.gestures.push_back (g);
		else if (Gesture g {}; arg == "--drag" && next &&
		         std::sscanf (argv[++i], "%d,%d,%d,%u", &g.x, &g.y, &g.dy, &g.id) == 4)
		{
			g.drag = true;
			options.gestures.push_back (g);
		}
		else if (options.bundle.empty () && arg.rfind ("--", 0) != 0)
			options.bundle = arg;
		else
			return false;
	}
	return !options.bundle.empty () && !options.screenshot.empty () && options.cycles > 0 &&
	       options.scale >= 1.0 && options.scale <= 4.0;
}

long residentKilobytes ()
{
	std::ifstream statm ("/proc/self/statm");
	long pages = 0, resident = 0;
	statm >> pages >> resident;
	return resident * (sysconf (_SC_PAGESIZE) / 1024);
}

// What an XEMBED embedder tells the window it has taken in.
void sendEmbeddedNotify (Display* display, Window parent)
{
	Window root = 0, parentOfParent = 0;
	Window* children = nullptr;
	unsigned count = 0;
	if (!XQueryTree (display, parent, &root, &parentOfParent, &children, &count))
		return;
	const Atom xembed = XInternAtom (display, "_XEMBED", False);
	for (unsigned i = 0; i < count; ++i)
	{
		XEvent event {};
		event.xclient.type = ClientMessage;
		event.xclient.window = children[i];
		event.xclient.message_type = xembed;
		event.xclient.format = 32;
		event.xclient.data.l[0] = CurrentTime;
		event.xclient.data.l[1] = 0; // XEMBED_EMBEDDED_NOTIFY
		event.xclient.data.l[3] = static_cast<long> (parent);
		XSendEvent (display, children[i], False, NoEventMask, &event);
	}
	if (children)
		XFree (children);
	XSync (display, False);
}

bool hasMappedChild (Display* display, Window parent)
{
	Window root = 0, parentOfParent = 0;
	Window* children = nullptr;
	unsigned count = 0;
	bool mapped = false;
	if (XQueryTree (display, parent, &root, &parentOfParent, &children, &count))
	{
		for (unsigned i = 0; i < count; ++i)
		{
			XWindowAttributes attributes {};
			if (XGetWindowAttributes (display, children[i], &attributes) && attributes.map_state == IsViewable)
				mapped = true;
		}
		if (children)
			XFree (children);
	}
	return mapped;
}

void movePointer (Display* display, Window window, int x, int y)
{
	int rootX = 0, rootY = 0;
	Window child = 0;
	XTranslateCoordinates (display, window, DefaultRootWindow (display), x, y, &rootX, &rootY, &child);
	XTestFakeMotionEvent (display, DefaultScreen (display), rootX, rootY, CurrentTime);
	XSync (display, False);
}

void pressButton (Display* display, bool down)
{
	XTestFakeButtonEvent (display, 1, down ? True : False, CurrentTime);
	XSync (display, False);
}

void clickAt (Display* display, Window window, int x, int y)
{
	movePointer (display, window, x, y);
	pressButton (display, true);
	pressButton (display, false);
}

void drainOwnEvents (Display* display)
{
	while (XPending (display))
	{
		XEvent event;
		XNextEvent (display, &event);
	}
}

uint32 referenceCount (FUnknown* object)
{
	object->addRef ();
	return object->release ();
}

int run (const Options& options)
{
	std::string error;
	auto module = VST3::Hosting::Module::create (options.bundle, error);
	if (!module)
	{
		std::fprintf (stderr, "FAIL: cannot load %s: %s\n", options.bundle.c_str (), error.c_str ());
		return 1;
	}
	const auto factory = module->getFactory ();
	IPtr<Vst::IEditController> controller;
	for (const auto& info : factory.classInfos ())
	{
		if (info.category () == kVstComponentControllerClass)
			controller = factory.createInstance<Vst::IEditController> (info.ID ());
	}
	if (!controller)
	{
		std::fprintf (stderr, "FAIL: the bundle makes no edit controller\n");
		return 1;
	}
	// Lives on the stack: the reference the controller takes is never its last.
	Vst::HostApplication hostApplication;
	check (controller->initialize (static_cast<Vst::IHostApplication*> (&hostApplication)) == kResultOk, "controller initialize");
	EditRecorder edits;
	controller->setComponentHandler (&edits);

	Display* display = XOpenDisplay (nullptr);
	if (display == nullptr)
	{
		std::fprintf (stderr, "FAIL: no X display\n");
		return 1;
	}
	// An embedder announces the XEMBED atoms before any client looks them up.
	XInternAtom (display, "_XEMBED_INFO", False);
	XInternAtom (display, "_XEMBED", False);
	const Window window = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, 100, 100, 0,
	                                           BlackPixel (display, DefaultScreen (display)),
	                                           BlackPixel (display, DefaultScreen (display)));
	XStoreName (display, window, "Tarvine editor");
	XSelectInput (display, window, StructureNotifyMask | ExposureMask);
	XMapWindow (display, window);
	XSync (display, False);

	HostRunLoop runLoop;
	HostFrame frame (display, window, runLoop);
	const int displayFd = ConnectionNumber (display);
	const uint32 controllerReferences = referenceCount (controller);
	long residentAfterFirst = 0;

	for (int cycle = 0; cycle < options.cycles; ++cycle)
	{
		const std::string when = " (cycle " + std::to_string (cycle + 1) + ")";
		IPlugView* view = controller->createView (Vst::ViewType::kEditor);
		if (view == nullptr)
		{
			check (false, "createView (\"editor\") gives an editor" + when);
			break;
		}
		check (view->isPlatformTypeSupported (kPlatformTypeX11EmbedWindowID) == kResultTrue,
		       "the editor embeds into an X11 window" + when);
		view->setFrame (&frame);
		if (options.scale != 1.0)
		{
			FUnknownPtr<IPlugViewContentScaleSupport> scaling (view);
			check (scaling && scaling->setContentScaleFactor (static_cast<float> (options.scale)) == kResultOk,
			       "the editor takes the content scale factor" + when);
		}
		ViewRect size;
		check (view->getSize (&size) == kResultOk && size.getWidth () > 0 && size.getHeight () > 0,
		       "the editor has a size" + when);
		XResizeWindow (display, window, static_cast<unsigned> (std::max (1, size.getWidth ())),
		               static_cast<unsigned> (std::max (1, size.getHeight ())));
		XSync (display, False);
		check (view->attached (reinterpret_cast<void*> (window), kPlatformTypeX11EmbedWindowID) == kResultTrue,
		       "the editor attaches to the window" + when);
		sendEmbeddedNotify (display, window);
		runLoop.run (cycle == 0 ? 1500ms : 80ms, displayFd);
		drainOwnEvents (display);
		check (hasMappedChild (display, window), "the editor shows its own window inside ours" + when);

		if (cycle == 0)
		{
			view->getSize (&size);
			std::printf ("editor size: %d x %d\n", size.getWidth (), size.getHeight ());
			Capture shown = captureWindow (display, window);
			const auto scaled = [&] (int v) { return static_cast<int> (v * options.scale); };
			if (options.click)
			{
				clickAt (display, window, scaled (options.clickX), scaled (options.clickY));
				runLoop.run (600ms, displayFd);
				drainOwnEvents (display);
				Capture clicked = captureWindow (display, window);
				const double changed = clicked.differenceIn (shown, scaled (options.watchX), scaled (options.watchY),
				                                             scaled (options.watchW), scaled (options.watchH));
				std::printf ("watched rectangle changed by the click: %.1f %% of its pixels\n", changed * 100.0);
				check (changed > 0.01, "the click changes the watched rectangle");
				shown = clicked;
			}
			const size_t colours = shown.distinctColours ();
			std::printf ("screenshot: %s, %d x %d, %zu distinct colours\n", options.screenshot.c_str (),
			             shown.width, shown.height, colours);
			check (shown.writePng (options.screenshot), "the screenshot is written");
			check (colours >= 64, "the window is not blank (at least 64 distinct colours)");

			for (const auto& gesture : options.gestures)
			{
				const std::string what = std::string (gesture.drag ? "a drag from " : "a click at ") +
				                         std::to_string (gesture.x) + "," + std::to_string (gesture.y) +
				                         " on parameter " + std::to_string (gesture.id);
				const auto serveEvents = [&] {
					runLoop.run (300ms, displayFd);
					drainOwnEvents (display);
				};
				const Vst::ParamValue before = controller->getParamNormalized (gesture.id);
				edits.calls.clear ();
				movePointer (display, window, scaled (gesture.x), scaled (gesture.y));
				pressButton (display, true);
				serveEvents ();
				// Each step of a drag is one value, so one performEdit.
				if (gesture.drag)
				{
					check (performCount (edits.calls) == 1, what + ": the press gives one performEdit");
					movePointer (display, window, scaled (gesture.x), scaled (gesture.y + gesture.dy));
					serveEvents ();
					check (performCount (edits.calls) == 2, what + ": the move gives one more performEdit");
				}
				pressButton (display, false);
				serveEvents ();
				std::printf ("%s: %s\n", what.c_str (), describe (edits.calls).c_str ());
				const std::string fault = gestureFault (edits.calls, gesture.id, gesture.drag ? 2 : 1);
				check (fault.empty (), what + ": " + fault);
				const Vst::ParamValue now = controller->getParamNormalized (gesture.id);
				check (now != before && lastPerformed (edits.calls) == now,
				       what + ": the controller holds the value last sent to the host");
			}
		}

		check (view->removed () == kResultOk, "the editor detaches" + when);
		check (runLoop.handlerCount () == 0, "the closed editor leaves no timer or descriptor behind" + when);
		view->setFrame (nullptr);
		check (view->release () == 0, "the host's release destroys the editor" + when);
		check (referenceCount (controller) == controllerReferences,
		       "the closed editor holds no reference to the controller" + when);
		runLoop.run (10ms, displayFd);
		drainOwnEvents (display);
		if (cycle == 0)
			residentAfterFirst = residentKilobytes ();
	}
	std::printf ("opened and closed the editor %d times; resident memory after the first: %ld kB, after the "
	             "last: %ld kB\n",
	             options.cycles, residentAfterFirst, residentKilobytes ());

	XDestroyWindow (display, window);
	XCloseDisplay (display);
	controller->setComponentHandler (nullptr);
	check (controller->terminate () == kResultOk, "controller terminate");
	controller = nullptr;
	module.reset ();
	return failures == 0 ? 0 : 1;
}

} // namespace
} // namespace EditorWindow
} // namespace Tarvine

int main (int argc, char* argv[])
{
	Tarvine::EditorWindow::Options options;
	if (!Tarvine::EditorWindow::parseOptions (argc, argv, options))
	{
		std::fprintf (stderr,
		              "usage: %s BUNDLE --screenshot PNG [--cycles N] [--scale S] [--click X,Y --watch X,Y,W,H] "
		              "[--edit X,Y,ID]... [--drag X,Y,DY,ID]...\n",
		              argv[0]);
		return 2;
	}
	return Tarvine::EditorWindow::run (options);
}
