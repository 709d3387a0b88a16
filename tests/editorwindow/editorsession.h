#pragma once

#include "editorwindow/hostoptions.h"
#include "editorwindow/hostrunloop.h"
#include "editorwindow/hostwindow.h"
#include "editorwindow/windowcapture.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// What the editor test programs share: opening and closing an editor the way
// a Linux host does, and the checks every opening must pass.
namespace Tarvine {
namespace EditorWindow {

// Prints a failed check and counts it; the program's exit status comes from the count.
void check (bool ok, const std::string& what);
int failureCount ();

// What every step of a session works with.
struct Host
{
	Display* display;
	HostRunLoop& runLoop;
	double scale;
	Embedder embedder;

	// Serves the editors' descriptors and timers, and drops the host's own
	// events, for the given time.
	void serve (std::chrono::milliseconds duration);
	int scaled (int v) const { return static_cast<int> (v * scale); }
	// Moves the pointer to x, y of the window, in unscaled editor coordinates.
	void movePointer (const HostWindow& window, int x, int y);
	void pressButton (bool down);
};

// The parts of a host that every step of a session works with: the bundle's
// first edit controller, and a host window to show its editors in.
struct Session
{
	Host& host;
	HostWindow& window;
	Steinberg::Vst::IEditController& controller;
	const VST3::Hosting::PluginFactory& factory;
	Steinberg::Vst::HostApplication& hostApplication;
};

// Runs a host program: loads the bundle, makes and initializes its first
// edit controller, opens DISPLAY's display as an XEMBED embedder and a host
// window at the screen's top left, hands them to `use`, and terminates the
// controller after. Gives the program's exit status: 0 when every check
// passed, 1 when any failed or the bundle or display could not be used.
int runSession (const std::string& bundle, double scale, Embedder embedder,
                const std::function<void (Session&)>& use);

// Whether a capture of a host window shows the editor's picture.
bool showsEditorPicture (const Capture& capture);

// Serves the run loop in short slices and captures the window after each,
// until it shows the editor's picture or the time is up. Gives how long the
// picture took to show, or nothing if it never did.
std::optional<std::chrono::milliseconds> waitForEditorPicture (Host& host, const HostWindow& window,
                                                               std::chrono::milliseconds limit);

// Checks that the editor's picture shows in the window within the bound
// every opening must keep, and that the editor's own window is mapped.
void checkPictureShows (Host& host, const HostWindow& window, const std::string& opening);

// A new edit controller of the bundle, initialized; nothing if it makes none.
Steinberg::IPtr<Steinberg::Vst::IEditController> makeController (const VST3::Hosting::PluginFactory& factory,
                                                                  Steinberg::Vst::HostApplication& hostApplication);

// An editor the host has opened, and how many references its controller
// had before.
struct OpenEditor
{
	Steinberg::IPlugView* view;
	Steinberg::uint32 controllerReferences;
};

// Creates the controller's editor and shows it in the window, as a host
// does when a person opens it; nothing if it cannot.
std::optional<OpenEditor> openEditor (Host& host, Steinberg::Vst::IEditController& controller, HostWindow& window,
                                      const std::string& opening);

// Detaches the editor and gives up the host's reference to it, as a host
// does when a person closes its window; gives how many references to it
// are left.
Steinberg::uint32 letGoOfEditor (const OpenEditor& editor, const std::string& opening);

// Checks that a closed editor is gone: it holds no reference to the controller.
void checkEditorGone (const OpenEditor& editor, Steinberg::Vst::IEditController& controller,
                      const std::string& opening);

// Closes the editor as a host does when a person closes its window, and
// checks that this destroys it.
void closeEditor (const OpenEditor& editor, Steinberg::Vst::IEditController& controller,
                  const std::string& opening);

// Checks that the closed editors left no timer or descriptor in the run loop.
void checkNothingLeftBehind (const Host& host, const std::string& when);

} // namespace EditorWindow
} // namespace Tarvine
