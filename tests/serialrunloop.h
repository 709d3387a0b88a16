#pragma once

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <functional>
#include <vector>

namespace Tarvine::Test {

// The host's side of a Linux editor's event loop, for tests that must know
// what happened in which order: it makes one callback at a time (a ready
// descriptor, or the timer due first) and asks after each one whether the
// test has seen what it waits for. Lives on the test's stack and counts no
// references; main thread only.
class SerialRunLoop : public Steinberg::Linux::IRunLoop
{
public:
	using Clock = std::chrono::steady_clock;

	Steinberg::tresult PLUGIN_API registerEventHandler (Steinberg::Linux::IEventHandler* handler,
	                                                    Steinberg::Linux::FileDescriptor fd) override;
	Steinberg::tresult PLUGIN_API unregisterEventHandler (Steinberg::Linux::IEventHandler* handler) override;
	Steinberg::tresult PLUGIN_API registerTimer (Steinberg::Linux::ITimerHandler* handler,
	                                             Steinberg::Linux::TimerInterval milliseconds) override;
	Steinberg::tresult PLUGIN_API unregisterTimer (Steinberg::Linux::ITimerHandler* handler) override;

	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

	// Serves the loop until `done` answers true after a callback, or the
	// time is up; tells which of the two.
	bool runUntil (const std::function<bool ()>& done, std::chrono::milliseconds limit);

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

	// Calls the handler of one ready descriptor, waiting for one at most
	// until `until`; false if none became ready.
	bool serveOneDescriptor (Clock::time_point until);

	std::vector<EventHandler> eventHandlers;
	std::vector<Timer> timers;
};

} // namespace Tarvine::Test
