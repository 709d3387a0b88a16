// Uses the plug-in's editor from the built bundle the way long sessions in
// Linux hosts do, and checks that nothing it holds grows with that use: the
// process's heap while the pointer moves over an open editor and while all
// editors close and one opens again, the host's window and the X server's
// pixmap memory while a host attaches editors to the window it keeps, and
// that the host can close the last editor from inside its own event handler
// or timer, and from inside the edit a click on the editor sends. Every
// check that fails is printed and makes the exit status 1.
//
// Usage: editor_leak_host BUNDLE CHECK
//   CHECK is one of the names in the table of checks below.

#include "editorwindow/editorsession.h"
#include "editorwindow/editrecorder.h"
#include "editorwindow/heapinuse.h"
#include "editorwindow/hostdescriptor.h"
#include "editorwindow/hosttimer.h"
#include "editorwindow/serverpixmaps.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>

namespace Tarvine {
namespace EditorWindow {
namespace {

using namespace Steinberg;
using namespace std::chrono_literals;

// Signed, so that a heap that shrank reads as such.
long long heapNow ()
{
	return static_cast<long long> (heapInUse ());
}

// Moves the pointer over the whole editor, point after point, and lets the
// editor handle each move before the next.
void movePointerOverEditor (Session& session, int moves)
{
	const int width = session.window.width (), height = session.window.height ();
	for (int i = 0; i < moves; ++i)
	{
		// Steps that share no factor with the window's size visit all of it.
		const int x = 1 + (i * 37) % (width - 2);
		const int y = 1 + (i * 23) % (height - 2);
		session.host.movePointer (session.window, x, y);
		session.host.serve (2ms);
	}
}

// Moving the pointer over an open editor must not make the heap grow once
// the editor has seen the pointer for a while.
void pointerMovesKeepTheHeap (Session& session)
{
	constexpr int warmUpMoves = 500, measuredMoves = 4000;
	constexpr long long boundPer100Moves = 1024;
	const std::string opening = "an editor the pointer moves over";
	const auto editor = openEditor (session.host, session.controller, session.window, opening);
	if (!editor)
		return;
	checkPictureShows (session.host, session.window, opening);
	movePointerOverEditor (session, warmUpMoves);
	session.host.serve (50ms);
	const long long before = heapNow ();
	movePointerOverEditor (session, measuredMoves);
	session.host.serve (50ms);
	const long long growthPer100 = (heapNow () - before) * 100 / measuredMoves;
	std::printf ("heap growth over %d pointer moves: %lld bytes per 100 moves\n", measuredMoves, growthPer100);
	check (growthPer100 < boundPer100Moves, "the heap grows by less than " + std::to_string (boundPer100Moves) +
	                                            " bytes per 100 pointer moves over an open editor");
	closeEditor (*editor, session.controller, opening);
	checkNothingLeftBehind (session.host, " (after the pointer moves)");
}

// Opens the editor and closes it again, each time with no other editor open.
void openAndCloseAlone (Session& session, int cycles, const std::string& what)
{
	for (int cycle = 0; cycle < cycles; ++cycle)
	{
		const std::string opening = what + " " + std::to_string (cycle + 1);
		const auto editor = openEditor (session.host, session.controller, session.window, opening);
		if (!editor)
			return;
		checkPictureShows (session.host, session.window, opening);
		closeEditor (*editor, session.controller, opening);
		checkNothingLeftBehind (session.host, " (" + opening + ")");
		session.host.serve (10ms);
	}
}

// Closing every editor and opening one again must not make the heap grow
// once the first few cycles have filled the caches that stay.
void reopeningKeepsTheHeap (Session& session)
{
	constexpr int warmUpCycles = 10, measuredCycles = 100;
	constexpr long long boundPerCycle = 2048;
	openAndCloseAlone (session, warmUpCycles, "a warm-up opening with no other editor open");
	const long long before = heapNow ();
	openAndCloseAlone (session, measuredCycles, "an opening with no other editor open");
	const long long growthPerCycle = (heapNow () - before) / measuredCycles;
	std::printf ("heap growth over %d close-all-and-reopen cycles: %lld bytes per cycle\n", measuredCycles,
	             growthPerCycle);
	check (growthPerCycle < boundPerCycle, "the heap grows by less than " + std::to_string (boundPerCycle) +
	                                           " bytes per close-all-and-reopen cycle");
}

// A host that keeps its plug-in window attaches each new editor to it, while
// another instance's editor stays open in a window of its own: every close
// must take the editor's window out of the host's and give back all the
// pixmap memory the editor took in the X server.
void reattachingLeavesNothingInTheServer (Session& session)
{
	constexpr int cycles = 50;
	// Far enough to the right that the kept window, once it has the editor's size, stays uncovered.
	const int besideKeptWindow = DisplayWidth (session.host.display, DefaultScreen (session.host.display)) / 2;
	HostWindow otherWindow (session.host.display, session.host.runLoop, besideKeptWindow, 0);
	IPtr<Vst::IEditController> other = makeController (session.factory, session.hostApplication);
	const std::string otherOpening = "another instance's editor, open throughout";
	check (other != nullptr, otherOpening + ": the bundle makes a second controller");
	const auto otherEditor = other ? openEditor (session.host, *other, otherWindow, otherOpening) : std::nullopt;
	if (!otherEditor)
		return;
	checkPictureShows (session.host, otherWindow, otherOpening);
	const auto pixmapsBefore = serverPixmapBytes (session.host.display);
	check (pixmapsBefore.has_value (), "the X server counts its clients' pixmap bytes");
	if (!pixmapsBefore)
		return;
	std::printf ("with only the other editor open, the server holds %llu pixmap bytes\n",
	             static_cast<unsigned long long> (*pixmapsBefore));

	for (int cycle = 0; cycle < cycles; ++cycle)
	{
		const std::string opening = "an editor attached to the kept window " + std::to_string (cycle + 1);
		const auto editor = openEditor (session.host, session.controller, session.window, opening);
		if (!editor)
			break;
		checkPictureShows (session.host, session.window, opening);
		closeEditor (*editor, session.controller, opening);
		session.host.serve (20ms);
		const unsigned children = session.window.childCount ();
		const auto pixmaps = serverPixmapBytes (session.host.display).value_or (0);
		std::printf ("%s, closed: %u windows left in the kept window, the server holds %llu pixmap bytes\n",
		             opening.c_str (), children, static_cast<unsigned long long> (pixmaps));
		check (children == 0, opening + ": the closed editor leaves no window in the kept window");
		check (pixmaps == *pixmapsBefore,
		       opening + ": the closed editor leaves no pixmap memory in the X server (" +
		           std::to_string (static_cast<long long> (pixmaps - *pixmapsBefore)) + " bytes left)");
	}
	closeEditor (*otherEditor, *other, otherOpening);
	checkNothingLeftBehind (session.host, " (after the kept window's cycles)");
	check (other->terminate () == kResultOk, "the second controller terminates");
}

// How long an opening may take to show its picture when the host runs under
// a memory checker, which slows everything down many times.
constexpr auto pictureUnderMemoryChecker = 30s;

// Opens the editor, waits until it shows its picture, and gives it, or
// nothing if it cannot be opened or never shows.
std::optional<OpenEditor> openAndWaitForPicture (Session& session, const std::string& opening)
{
	auto editor = openEditor (session.host, session.controller, session.window, opening);
	if (editor)
	{
		const bool shown =
		    waitForEditorPicture (session.host, session.window, pictureUnderMemoryChecker).has_value ();
		check (shown, opening + ": the editor's picture shows");
	}
	return editor;
}

// Where in a round of its loop the host closes the last editor.
enum class ClosingCallback
{
	hostsEventHandler,
	hostsTimer,
};

// The host closes the last editor from inside one of its own callbacks, in a
// round of its loop that also has the editor's X connection and timers to
// serve: the loop goes on to call the editor's handler and timers from the
// lists it had when the round began. The program runs under a memory checker,
// which fails the run on any use of what the close freed; a new editor must
// then open as usual.
void closingInsideALoopRound (Session& session, ClosingCallback callback)
{
	const bool fromHandler = callback == ClosingCallback::hostsEventHandler;
	const std::string place = fromHandler ? "its own event handler" : "its own timer";
	const std::string opening = "an editor the host closes from inside " + place;
	auto& runLoop = session.host.runLoop;
	HostDescriptor descriptor;
	HostTimer timer;
	// Registered before the editor's, so a round serving both calls the host's first.
	constexpr Linux::TimerInterval hostTimerInterval = 5;
	check (fromHandler ? runLoop.registerEventHandler (&descriptor, descriptor.fd ()) == kResultTrue
	                   : runLoop.registerTimer (&timer, hostTimerInterval) == kResultTrue,
	       "the host's own " + std::string (fromHandler ? "descriptor" : "timer") + " joins its run loop");
	auto editor = openAndWaitForPicture (session, opening);
	if (!editor)
		return;
	bool closed = false;
	auto closeIt = [&] () {
		closeEditor (*editor, session.controller, opening);
		closed = true;
	};
	if (fromHandler)
		descriptor.onReadable = closeIt;
	else
		timer.onDue = closeIt;
	// An event for the editor's window (and a byte for the host's descriptor),
	// delivered before the loop looks at either, and a wait that makes every
	// timer due: the next round has all of them to serve.
	session.window.sendEmbeddedNotify ();
	if (fromHandler)
		check (descriptor.makeReadable (), "the host's own descriptor becomes readable");
	std::this_thread::sleep_for (50ms);
	const size_t lateHandlerCallsBefore = runLoop.handlerCallsAfterUnregistering ();
	const size_t lateTimerCallsBefore = runLoop.timerCallsAfterUnregistering ();
	session.host.serve (200ms);
	check (closed, opening + ": the host's callback closes the editor");
	if (!closed)
		closeEditor (*editor, session.controller, opening);
	if (fromHandler)
		check (runLoop.handlerCallsAfterUnregistering () > lateHandlerCallsBefore,
		       opening + ": the round that closed it goes on to call the editor's handler");
	check (runLoop.timerCallsAfterUnregistering () > lateTimerCallsBefore,
	       opening + ": the round that closed it goes on to call the editor's timers");
	runLoop.unregisterEventHandler (&descriptor);
	runLoop.unregisterTimer (&timer);
	checkNothingLeftBehind (session.host, " (" + opening + ")");

	const std::string next = "an opening after the host closed the editor from inside " + place;
	if (auto nextEditor = openAndWaitForPicture (session, next))
	{
		closeEditor (*nextEditor, session.controller, next);
		checkNothingLeftBehind (session.host, " (" + next + ")");
	}
}

// A click whose edit makes the host close the editor: where, in editor
// coordinates (resource/plug.uidesc), and the parameter it edits.
struct ClosingClick
{
	const char* what;
	int x, y;
	Vst::ParamID id;
};

const ClosingClick closingClicks[] = {
    {"a click on the LPCut fader, which sends its edit as the button goes down", 562, 130, 6},
    {"a click on Bypass, which sends its edit as the button comes up", 564, 39, 0},
};

// The host closes the editor from inside the performEdit a click on one of
// its controls sends, as a host does that closes the editor in answer to an
// edit: the control, the editor's frame and its X11 window are all still
// handling the click. The program runs under a memory checker, which fails
// the run on any use of what the close freed; the editor must be gone once
// the click has been handled, and a new editor must then open as usual.
void closingFromInsideItsOwnClick (Session& session)
{
	EditRecorder edits;
	session.controller.setComponentHandler (&edits);
	for (const auto& click : closingClicks)
	{
		const std::string opening = std::string ("an editor the host closes from inside the edit of ") + click.what;
		auto editor = openAndWaitForPicture (session, opening);
		if (!editor)
			break;
		edits.calls.clear ();
		bool closed = false;
		edits.onPerform = [&] () {
			letGoOfEditor (*editor, opening);
			closed = true;
		};
		session.host.movePointer (session.window, click.x, click.y);
		session.host.pressButton (true);
		session.host.serve (100ms);
		session.host.pressButton (false);
		// Slow under the memory checker: the click may take a while to be handled.
		for (int slice = 0; slice < 100 && !closed; ++slice)
			session.host.serve (50ms);
		session.host.serve (100ms);
		std::printf ("%s: %s\n", opening.c_str (), describe (edits.calls).c_str ());
		check (closed, opening + ": the click's performEdit closes the editor");
		if (!closed)
		{
			closeEditor (*editor, session.controller, opening);
			continue;
		}
		const bool onlyThatParameter = std::all_of (edits.calls.begin (), edits.calls.end (),
		                                            [&] (const EditCall& call) { return call.id == click.id; });
		check (performCount (edits.calls) == 1 && onlyThatParameter,
		       opening + ": the click edits parameter " + std::to_string (click.id) + " once");
		checkEditorGone (*editor, session.controller, opening);
		checkNothingLeftBehind (session.host, " (" + opening + ")");
	}
	session.controller.setComponentHandler (nullptr);

	const std::string next = "an opening after the host closed the editor from inside the edit of a click";
	if (auto nextEditor = openAndWaitForPicture (session, next))
	{
		closeEditor (*nextEditor, session.controller, next);
		checkNothingLeftBehind (session.host, " (" + next + ")");
	}
}

struct LeakCheck
{
	const char* name;
	void (*run) (Session&);
};

const LeakCheck leakChecks[] = {
    {"pointer-moves", pointerMovesKeepTheHeap},
    {"reopen", reopeningKeepsTheHeap},
    {"reattach", reattachingLeavesNothingInTheServer},
    {"close-in-handler", [] (Session& s) { closingInsideALoopRound (s, ClosingCallback::hostsEventHandler); }},
    {"close-in-timer", [] (Session& s) { closingInsideALoopRound (s, ClosingCallback::hostsTimer); }},
    {"close-in-edit", closingFromInsideItsOwnClick},
};

const LeakCheck* findCheck (const std::string& name)
{
	for (const auto& leakCheck : leakChecks)
	{
		if (name == leakCheck.name)
			return &leakCheck;
	}
	return nullptr;
}

} // namespace
} // namespace EditorWindow
} // namespace Tarvine

int main (int argc, char* argv[])
{
	using namespace Tarvine::EditorWindow;
	const LeakCheck* leakCheck = argc == 3 ? findCheck (argv[2]) : nullptr;
	if (leakCheck == nullptr)
	{
		std::fprintf (stderr, "usage: %s BUNDLE CHECK, CHECK one of:", argv[0]);
		for (const auto& c : leakChecks)
			std::fprintf (stderr, " %s", c.name);
		std::fprintf (stderr, "\n");
		return 2;
	}
	return runSession (argv[1], 1.0, Embedder::xembed, leakCheck->run);
}
