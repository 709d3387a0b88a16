// Opens the plug-in's editor from the built bundle in a real X window, the
// way a Linux host does: checks that every opening shows the editor's
// picture at once, saves what the first shows, clicks on it, opens and
// closes it again and again, and opens a second instance's editor beside
// the first. Every check that fails is printed and makes the exit status 1.
//
// Usage: editor_window_host BUNDLE --screenshot PNG [--cycles N] [--scale S]
//                           [--embedder xembed|shows-after-attaching|silent]
//                           [--click X,Y --watch X,Y,W,H] [--edit X,Y,ID]...
//                           [--drag X,Y,DY,ID]...
//   --scale     the content scale factor the host asks for (2 on a HiDPI screen)
//   --embedder  how the host shows the editor (see Embedder); xembed if not given
//   --click     a point in unscaled editor coordinates to click once it shows
//   --watch     the rectangle that must change because of that click
//   --edit      a point to click after the screenshot, and the parameter id
//               the click must edit in one step
//   --drag      a point to press on, how far down to move while pressed, and
//               the parameter id: the press and the move must each edit it in
//               one step

#include "editorwindow/editrecorder.h"
#include "editorwindow/hostoptions.h"
#include "editorwindow/hostrunloop.h"
#include "editorwindow/hostwindow.h"
#include "editorwindow/windowcapture.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
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

long residentKilobytes ()
{
	std::ifstream statm ("/proc/self/statm");
	long pages = 0, resident = 0;
	statm >> pages >> resident;
	return resident * (sysconf (_SC_PAGESIZE) / 1024);
}

uint32 referenceCount (FUnknown* object)
{
	object->addRef ();
	return object->release ();
}

// What every step of the session works with.
struct Host
{
	const Options& options;
	Display* display;
	HostRunLoop& runLoop;

	// Serves the editors' descriptors and timers, and drops the host's own
	// events, for the given time.
	void serve (std::chrono::milliseconds duration)
	{
		runLoop.run (duration, ConnectionNumber (display));
		discardOwnEvents (display);
	}
	int scaled (int v) const { return static_cast<int> (v * options.scale); }

	void movePointer (const HostWindow& window, int x, int y)
	{
		int rootX = 0, rootY = 0;
		Window child = 0;
		XTranslateCoordinates (display, window.id (), DefaultRootWindow (display), scaled (x), scaled (y), &rootX,
		                       &rootY, &child);
		XTestFakeMotionEvent (display, DefaultScreen (display), rootX, rootY, CurrentTime);
		XSync (display, False);
	}
	void pressButton (bool down)
	{
		XTestFakeButtonEvent (display, 1, down ? True : False, CurrentTime);
		XSync (display, False);
	}
};

// How long an editor may take to show its picture once the host has shown
// it: a person opening it sees it at once, not after a click or a wait.
constexpr auto pictureBound = 500ms;
// How long to keep looking past that, so a failure says how late it was.
constexpr auto pictureObserved = 2000ms;

// Whether a capture of a host window shows the editor's picture: the editor
// paints every pixel of its window and draws nothing pure black, so a window
// it has not painted yet keeps the host window's black.
bool showsEditorPicture (const Capture& capture)
{
	constexpr uint32_t black = 0x000000;
	return capture.width > 0 && capture.shareOf (black) < 0.01 && capture.distinctColours () >= 64;
}

// Serves the run loop in short slices and captures the window after each,
// until it shows the editor's picture or the time is up. Gives how long the
// picture took to show, or nothing if it never did.
std::optional<std::chrono::milliseconds> waitForEditorPicture (Host& host, const HostWindow& window,
                                                               std::chrono::milliseconds limit)
{
	using namespace std::chrono;
	const auto start = steady_clock::now ();
	for (;;)
	{
		const bool shows = showsEditorPicture (captureWindow (host.display, window.id ()));
		const auto elapsed = duration_cast<milliseconds> (steady_clock::now () - start);
		if (shows)
			return elapsed;
		if (elapsed >= limit)
			return std::nullopt;
		host.serve (10ms);
	}
}

void checkPictureShows (Host& host, const HostWindow& window, const std::string& opening)
{
	const auto shown = waitForEditorPicture (host, window, pictureObserved);
	if (shown)
		std::printf ("%s: the editor's picture shows after %lld ms\n", opening.c_str (),
		             static_cast<long long> (shown->count ()));
	else
		std::printf ("%s: still black after %lld ms\n", opening.c_str (),
		             static_cast<long long> (pictureObserved.count ()));
	check (shown && *shown <= pictureBound,
	       opening + ": the editor's picture shows within " + std::to_string (pictureBound.count ()) + " ms");
	check (window.hasMappedChild (), opening + ": the editor shows its own window inside ours");
}

IPtr<Vst::IEditController> makeController (const VST3::Hosting::PluginFactory& factory,
                                           Vst::HostApplication& hostApplication)
{
	IPtr<Vst::IEditController> controller;
	for (const auto& info : factory.classInfos ())
	{
		if (info.category () == kVstComponentControllerClass)
			controller = factory.createInstance<Vst::IEditController> (info.ID ());
	}
	if (controller)
		check (controller->initialize (static_cast<Vst::IHostApplication*> (&hostApplication)) == kResultOk,
		       "controller initialize");
	return controller;
}

// An editor the host has opened, and how many references its controller
// had before.
struct OpenEditor
{
	IPlugView* view;
	uint32 controllerReferences;
};

// Creates the controller's editor and shows it in the window, as a host
// does when a person opens it; nothing if it cannot.
std::optional<OpenEditor> openEditor (Host& host, Vst::IEditController& controller, HostWindow& window,
                                      const std::string& opening)
{
	const uint32 controllerReferences = referenceCount (&controller);
	IPlugView* view = controller.createView (Vst::ViewType::kEditor);
	if (view == nullptr)
	{
		check (false, opening + ": createView (\"editor\") gives an editor");
		return std::nullopt;
	}
	check (view->isPlatformTypeSupported (kPlatformTypeX11EmbedWindowID) == kResultTrue,
	       opening + ": the editor embeds into an X11 window");
	view->setFrame (&window);
	if (host.options.scale != 1.0)
	{
		FUnknownPtr<IPlugViewContentScaleSupport> scaling (view);
		check (scaling && scaling->setContentScaleFactor (static_cast<float> (host.options.scale)) == kResultOk,
		       opening + ": the editor takes the content scale factor");
	}
	ViewRect size;
	check (view->getSize (&size) == kResultOk && size.getWidth () > 0 && size.getHeight () > 0,
	       opening + ": the editor has a size");
	window.resize (size.getWidth (), size.getHeight ());

	const Embedder embedder = host.options.embedder;
	if (embedder == Embedder::showsAfterAttaching)
		window.hide ();
	check (view->attached (reinterpret_cast<void*> (window.id ()), kPlatformTypeX11EmbedWindowID) == kResultTrue,
	       opening + ": the editor attaches to the window");
	if (embedder == Embedder::showsAfterAttaching)
	{
		// Past the editor's first redraw, which the hidden window does not keep.
		host.serve (100ms);
		window.show ();
	}
	if (embedder != Embedder::silent)
		window.sendEmbeddedNotify ();
	return OpenEditor {view, controllerReferences};
}

// Closes the editor as a host does when a person closes its window.
void closeEditor (const OpenEditor& editor, Vst::IEditController& controller, const std::string& opening)
{
	check (editor.view->removed () == kResultOk, opening + ": the editor detaches");
	editor.view->setFrame (nullptr);
	check (editor.view->release () == 0, opening + ": the host's release destroys the editor");
	check (referenceCount (&controller) == editor.controllerReferences,
	       opening + ": the closed editor holds no reference to the controller");
}

void checkNothingLeftBehind (const Host& host, const std::string& when)
{
	check (host.runLoop.handlerCount () == 0, "the closed editors leave no timer or descriptor behind" + when);
}

// On the first editor: the click on the about button, the screenshot, and
// the clicks and drags that must each reach the host as edits.
void exerciseEditor (Host& host, const HostWindow& window, Vst::IEditController& controller, EditRecorder& edits)
{
	const Options& options = host.options;
	Capture shown = captureWindow (host.display, window.id ());
	std::printf ("editor size: %d x %d\n", shown.width, shown.height);
	if (options.click)
	{
		host.movePointer (window, options.clickX, options.clickY);
		host.pressButton (true);
		host.pressButton (false);
		host.serve (600ms);
		Capture clicked = captureWindow (host.display, window.id ());
		const double changed =
		    clicked.differenceIn (shown, host.scaled (options.watchX), host.scaled (options.watchY),
		                          host.scaled (options.watchW), host.scaled (options.watchH));
		std::printf ("watched rectangle changed by the click: %.1f %% of its pixels\n", changed * 100.0);
		check (changed > 0.01, "the click changes the watched rectangle");
		shown = clicked;
	}
	const size_t colours = shown.distinctColours ();
	std::printf ("screenshot: %s, %d x %d, %zu distinct colours\n", options.screenshot.c_str (), shown.width,
	             shown.height, colours);
	check (shown.writePng (options.screenshot), "the screenshot is written");
	check (colours >= 64, "the window is not blank (at least 64 distinct colours)");

	for (const auto& gesture : options.gestures)
	{
		const std::string what = std::string (gesture.drag ? "a drag from " : "a click at ") +
		                         std::to_string (gesture.x) + "," + std::to_string (gesture.y) + " on parameter " +
		                         std::to_string (gesture.id);
		const Vst::ParamValue before = controller.getParamNormalized (gesture.id);
		edits.calls.clear ();
		host.movePointer (window, gesture.x, gesture.y);
		host.pressButton (true);
		host.serve (300ms);
		// Each step of a drag is one value, so one performEdit.
		if (gesture.drag)
		{
			check (performCount (edits.calls) == 1, what + ": the press gives one performEdit");
			host.movePointer (window, gesture.x, gesture.y + gesture.dy);
			host.serve (300ms);
			check (performCount (edits.calls) == 2, what + ": the move gives one more performEdit");
		}
		host.pressButton (false);
		host.serve (300ms);
		std::printf ("%s: %s\n", what.c_str (), describe (edits.calls).c_str ());
		const std::string fault = gestureFault (edits.calls, gesture.id, gesture.drag ? 2 : 1);
		check (fault.empty (), what + ": " + fault);
		const Vst::ParamValue now = controller.getParamNormalized (gesture.id);
		check (now != before && lastPerformed (edits.calls) == now,
		       what + ": the controller holds the value last sent to the host");
	}
}

// Opens one instance's editor again and again, each time after every editor
// was closed; the first opening is also the one clicked on.
void openAndCloseRepeatedly (Host& host, HostWindow& window, Vst::IEditController& controller, EditRecorder& edits)
{
	long residentAfterFirst = 0;
	for (int cycle = 0; cycle < host.options.cycles; ++cycle)
	{
		const std::string when = " (cycle " + std::to_string (cycle + 1) + ")";
		const std::string opening =
		    (cycle == 0 ? "the first opening" : "an opening after every editor was closed") + when;
		const auto editor = openEditor (host, controller, window, opening);
		if (!editor)
			return;
		checkPictureShows (host, window, opening);
		if (cycle == 0)
			exerciseEditor (host, window, controller, edits);
		closeEditor (*editor, controller, opening);
		checkNothingLeftBehind (host, when);
		host.serve (10ms);
		if (cycle == 0)
			residentAfterFirst = residentKilobytes ();
	}
	std::printf ("opened and closed the editor %d times; resident memory after the first: %ld kB, after the "
	             "last: %ld kB\n",
	             host.options.cycles, residentAfterFirst, residentKilobytes ());
}

// Two instances' editors side by side, the second opened while the first
// shows; then, once both are closed, a new instance's editor alone.
void openSeveralInstances (Host& host, HostWindow& window, Vst::IEditController& controller,
                           const VST3::Hosting::PluginFactory& factory, Vst::HostApplication& hostApplication)
{
	const std::string firstOpening = "the first instance's editor, with no other open";
	const auto firstEditor = openEditor (host, controller, window, firstOpening);
	if (!firstEditor)
		return;
	checkPictureShows (host, window, firstOpening);

	HostWindow secondWindow (host.display, host.runLoop, window.width () + 16, 0);
	const std::string secondOpening = "a second instance's editor while the first's is open";
	IPtr<Vst::IEditController> second = makeController (factory, hostApplication);
	check (second != nullptr, secondOpening + ": the bundle makes a second controller");
	if (const auto secondEditor = second ? openEditor (host, *second, secondWindow, secondOpening) : std::nullopt)
	{
		checkPictureShows (host, secondWindow, secondOpening);
		check (showsEditorPicture (captureWindow (host.display, window.id ())),
		       "the first instance's editor still shows its picture beside the second's");
		closeEditor (*secondEditor, *second, secondOpening);
	}
	closeEditor (*firstEditor, controller, firstOpening);
	checkNothingLeftBehind (host, " (two instances)");
	if (second)
		check (second->terminate () == kResultOk, "the second controller terminates");

	const std::string newOpening = "a new instance's editor after every editor was closed";
	IPtr<Vst::IEditController> third = makeController (factory, hostApplication);
	check (third != nullptr, newOpening + ": the bundle makes another controller");
	if (const auto editor = third ? openEditor (host, *third, window, newOpening) : std::nullopt)
	{
		checkPictureShows (host, window, newOpening);
		closeEditor (*editor, *third, newOpening);
		checkNothingLeftBehind (host, " (a new instance)");
	}
	if (third)
		check (third->terminate () == kResultOk, "the new instance's controller terminates");
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
	// Lives on the stack: the reference a controller takes is never its last.
	Vst::HostApplication hostApplication;
	IPtr<Vst::IEditController> controller = makeController (factory, hostApplication);
	if (!controller)
	{
		std::fprintf (stderr, "FAIL: the bundle makes no edit controller\n");
		return 1;
	}
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
	{
		HostRunLoop runLoop;
		Host host {options, display, runLoop};
		HostWindow window (display, runLoop, 0, 0);
		openAndCloseRepeatedly (host, window, *controller, edits);
		openSeveralInstances (host, window, *controller, factory, hostApplication);
	}
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
		std::fprintf (stderr, "usage: %s %s\n", argv[0], Tarvine::EditorWindow::usage);
		return 2;
	}
	return Tarvine::EditorWindow::run (options);
}
