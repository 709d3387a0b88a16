#include "editorwindow/editorsession.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <X11/extensions/XTest.h>

#include <cstdio>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;
using namespace std::chrono_literals;

namespace {

int failures = 0;

uint32 referenceCount (FUnknown* object)
{
	object->addRef ();
	return object->release ();
}

// How long an editor may take to show its picture once the host has shown
// it: a person opening it sees it at once, not after a click or a wait.
constexpr auto pictureBound = 500ms;
// How long to keep looking past that, so a failure says how late it was.
constexpr auto pictureObserved = 2000ms;

} // namespace

void check (bool ok, const std::string& what)
{
	if (!ok)
	{
		std::fprintf (stderr, "FAIL: %s\n", what.c_str ());
		++failures;
	}
}

int failureCount ()
{
	return failures;
}

void Host::serve (std::chrono::milliseconds duration)
{
	runLoop.run (duration, ConnectionNumber (display));
	discardOwnEvents (display);
}

void Host::movePointer (const HostWindow& window, int x, int y)
{
	int rootX = 0, rootY = 0;
	Window child = 0;
	XTranslateCoordinates (display, window.id (), DefaultRootWindow (display), scaled (x), scaled (y), &rootX, &rootY,
	                       &child);
	XTestFakeMotionEvent (display, DefaultScreen (display), rootX, rootY, CurrentTime);
	XSync (display, False);
}

void Host::pressButton (bool down)
{
	XTestFakeButtonEvent (display, 1, down ? True : False, CurrentTime);
	XSync (display, False);
}

// The editor paints every pixel of its window and draws nothing pure black,
// so a window it has not painted yet keeps the host window's black.
bool showsEditorPicture (const Capture& capture)
{
	constexpr uint32_t black = 0x000000;
	return capture.width > 0 && capture.shareOf (black) < 0.01 && capture.distinctColours () >= 64;
}

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
	if (host.scale != 1.0)
	{
		FUnknownPtr<IPlugViewContentScaleSupport> scaling (view);
		check (scaling && scaling->setContentScaleFactor (static_cast<float> (host.scale)) == kResultOk,
		       opening + ": the editor takes the content scale factor");
	}
	ViewRect size;
	check (view->getSize (&size) == kResultOk && size.getWidth () > 0 && size.getHeight () > 0,
	       opening + ": the editor has a size");
	window.resize (size.getWidth (), size.getHeight ());

	const Embedder embedder = host.embedder;
	if (embedder == Embedder::showsAfterAttaching)
		window.hide ();
	check (view->attached (window.parent (), kPlatformTypeX11EmbedWindowID) == kResultTrue,
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

uint32 letGoOfEditor (const OpenEditor& editor, const std::string& opening)
{
	check (editor.view->removed () == kResultOk, opening + ": the editor detaches");
	editor.view->setFrame (nullptr);
	return editor.view->release ();
}

void checkEditorGone (const OpenEditor& editor, Vst::IEditController& controller, const std::string& opening)
{
	check (referenceCount (&controller) == editor.controllerReferences,
	       opening + ": the closed editor holds no reference to the controller");
}

void closeEditor (const OpenEditor& editor, Vst::IEditController& controller, const std::string& opening)
{
	check (letGoOfEditor (editor, opening) == 0, opening + ": the host's release destroys the editor");
	checkEditorGone (editor, controller, opening);
}

void checkNothingLeftBehind (const Host& host, const std::string& when)
{
	check (host.runLoop.handlerCount () == 0, "the closed editors leave no timer or descriptor behind" + when);
}

int runSession (const std::string& bundle, double scale, Embedder embedder, const std::function<void (Session&)>& use)
{
	std::string error;
	auto module = VST3::Hosting::Module::create (bundle, error);
	if (!module)
	{
		std::fprintf (stderr, "FAIL: cannot load %s: %s\n", bundle.c_str (), error.c_str ());
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
	{
		HostDisplay display (nullptr);
		if (display.get () == nullptr)
		{
			std::fprintf (stderr, "FAIL: no X display\n");
			return 1;
		}
		// An embedder announces the XEMBED atoms before any client looks them up.
		XInternAtom (display.get (), "_XEMBED_INFO", False);
		XInternAtom (display.get (), "_XEMBED", False);
		HostRunLoop runLoop;
		Host host {display.get (), runLoop, scale, embedder};
		HostWindow window (display.get (), runLoop, 0, 0);
		Session session {host, window, *controller, factory, hostApplication};
		use (session);
	}
	check (controller->terminate () == kResultOk, "controller terminate");
	controller = nullptr;
	module.reset ();
	return failureCount () == 0 ? 0 : 1;
}

} // namespace EditorWindow
} // namespace Tarvine
