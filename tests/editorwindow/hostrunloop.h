#pragma once

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <poll.h>

#include <chrono>
#include <functional>
#include <vector>

namespace Tarvine {
namespace EditorWindow {

// The host side of a Linux plug-in editor's event loop: the editor registers
// the file descriptor of its X connection and its timers here, and the host
// calls them back from its own loop. One object per host, used on the main
// thread only.
class HostRunLoop : public Steinberg::Linux::IRunLoop
{
public:
	using Clock = std::chrono::steady_clock;

	Steinberg::tresult PLUGIN_API registerEventHandler (Steinberg::Linux::IEventHandler* handler,
	                                                    Steinberg::Linux::FileDescriptor fd) override;
	Steinberg::tresult PLUGIN_API unregisterEventHandler (Steinberg::Linux::IEventHandler* handler) override;
	Steinberg::tresult PLUGIN_API registerTimer (Steinberg::Linux::ITimerHandler* handler,
	                                             Steinberg::Linux::TimerInterval milliseconds) override;
	Steinberg::tresult PLUGIN_API unregisterTimer (Steinberg::Linux::ITimerHandler* handler) override;

	// Lives on the host's stack: no reference counting, and only IRunLoop.
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

	// Serves the loop in rounds, as hosts do, until the time is up: each
	// round calls every ready descriptor's handler (extraFd's readiness is
	// only waited for), then every due timer. A round serves the handlers
	// and timers registered when it began, from a copy of their lists, as
	// many hosts do: it still calls one that an earlier callback of the same
	// round unregistered.
	void run (std::chrono::milliseconds duration, int extraFd);

	// Serves the loop one callback at a time, for tests that must know what
	// happened in which order: a ready descriptor's handler, or else the
	// timer due first. Asks `done` after each callback and stops once it
	// answers true, or when the time is up; tells which of the two.
	bool runUntil (const std::function<bool ()>& done, std::chrono::milliseconds limit);

	size_t handlerCount () const { return eventHandlers.size () + timers.size (); }
	// How often a round of the loop called a descriptor's handler, or a
	// timer, that an earlier callback of the same round had unregistered.
	size_t handlerCallsAfterUnregistering () const { return lateHandlerCalls; }
	size_t timerCallsAfterUnregistering () const { return lateTimerCalls; }

private:
	struct EventHandler
	{
		Steinberg::IPtr<Steinberg::Linux::IEventHandler> handler;
		int fd;
	};
	struct Timer
	{
		Steinberg::IPtr<Steinberg::Linux::ITimerHandler> handler;
		std::chrono::milliseconds interval;
		Clock::time_point due;
	};

	// Waits at most until `until` for any registered descriptor (or extraFd)
	// to become readable; one entry per registered handler, in their order,
	// then extraFd's if it is one. Empty if none became readable.
	std::vector<pollfd> waitForReadable (Clock::time_point until, int extraFd) const;
	void serveReadyDescriptors (Clock::time_point until, int extraFd);
	// Calls those of the round's timers that are due, in the order they
	// were registered.
	void fireDueTimers (const std::vector<Timer>& roundTimers);
	// Calls the handler of one ready descriptor, waiting for one at most
	// until `until`; false if none became ready.
	bool serveOneDescriptor (Clock::time_point until);
	// The timer due first, or timers.end ().
	std::vector<Timer>::iterator firstTimer ();
	// When the timer due first is due, but no later than `end`.
	Clock::time_point firstDue (Clock::time_point end);

	std::vector<EventHandler> eventHandlers;
	std::vector<Timer> timers;
	size_t lateHandlerCalls {0};
	size_t lateTimerCalls {0};
};

} // namespace EditorWindow
} // namespace Tarvine
