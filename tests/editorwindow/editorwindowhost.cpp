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

#include "editorwindow/editorsession.h"
#include "editorwindow/editrecorder.h"
#include "editorwindow/hostoptions.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

namespace Tarvine {
namespace EditorWindow {
namespace {

using namespace Steinberg;
using namespace std::chrono_literals;

long residentKilobytes ()
{
	std::ifstream statm ("/proc/self/statm");
	long pages = 0, resident = 0;
	statm >> pages >> resident;
	return resident * (sysconf (_SC_PAGESIZE) / 1024);
}

// On the first editor: the click on the about button, the screenshot, and
// the clicks and drags that must each reach the host as edits.
void exerciseEditor (Host& host, const Options& options, const HostWindow& window, Vst::IEditController& controller,
                     EditRecorder& edits)
{
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
void openAndCloseRepeatedly (Host& host, const Options& options, HostWindow& window, Vst::IEditController& controller,
                             EditRecorder& edits)
{
	long residentAfterFirst = 0;
	for (int cycle = 0; cycle < options.cycles; ++cycle)
	{
		const std::string when = " (cycle " + std::to_string (cycle + 1) + ")";
		const std::string opening =
		    (cycle == 0 ? "the first opening" : "an opening after every editor was closed") + when;
		const auto editor = openEditor (host, controller, window, opening);
		if (!editor)
			return;
		checkPictureShows (host, window, opening);
		if (cycle == 0)
			exerciseEditor (host, options, window, controller, edits);
		closeEditor (*editor, controller, opening);
		checkNothingLeftBehind (host, when);
		host.serve (10ms);
		if (cycle == 0)
			residentAfterFirst = residentKilobytes ();
	}
	std::printf ("opened and closed the editor %d times; resident memory after the first: %ld kB, after the "
	             "last: %ld kB\n",
	             options.cycles, residentAfterFirst, residentKilobytes ());
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
	return runSession (options.bundle, options.scale, options.embedder, [&] (Session& session) {
		EditRecorder edits;
		session.controller.setComponentHandler (&edits);
		openAndCloseRepeatedly (session.host, options, session.window, session.controller, edits);
		openSeveralInstances (session.host, session.window, session.controller, session.factory,
		                      session.hostApplication);
		session.controller.setComponentHandler (nullptr);
	});
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
