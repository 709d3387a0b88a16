#include "editorwindow/hostrunloop.h"

#include <sys/select.h>

#include <algorithm>
#include <cstring>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;

tresult PLUGIN_API HostRunLoop::registerEventHandler (Linux::IEventHandler* handler,
                                                      Linux::FileDescriptor fd)
{
	if (handler == nullptr || fd < 0)
		return kInvalidArgument;
	eventHandlers.push_back ({handler, fd});
	return kResultTrue;
}

tresult PLUGIN_API HostRunLoop::unregisterEventHandler (Linux::IEventHandler* handler)
{
	auto it = std::find_if (eventHandlers.begin (), eventHandlers.end (),
	                        [&] (const EventHandler& e) { return e.handler == handler; });
	if (it == eventHandlers.end ())
		return kResultFalse;
	eventHandlers.erase (it);
	return kResultTrue;
}

tresult PLUGIN_API HostRunLoop::registerTimer (Linux::ITimerHandler* handler,
                                               Linux::TimerInterval milliseconds)
{
	if (handler == nullptr || milliseconds == 0)
		return kInvalidArgument;
	const std::chrono::milliseconds interval (milliseconds);
	timers.push_back ({handler, interval, Clock::now () + interval});
	return kResultTrue;
}

tresult PLUGIN_API HostRunLoop::unregisterTimer (Linux::ITimerHandler* handler)
{
	auto it = std::find_if (timers.begin (), timers.end (),
	                        [&] (const Timer& t) { return t.handler == handler; });
	if (it == timers.end ())
		return kResultFalse;
	timers.erase (it);
	return kResultTrue;
}

tresult PLUGIN_API HostRunLoop::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, Linux::IRunLoop::iid) ||
	    FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<Linux::IRunLoop*> (this);
		return kResultOk;
	}
	*obj = nullptr;
	return kNoInterface;
}

void HostRunLoop::run (std::chrono::milliseconds duration, int extraFd)
{
	const auto end = Clock::now () + duration;
	while (Clock::now () < end)
	{
		auto until = end;
		for (const auto& t : timers)
			until = std::min (until, t.due);
		serveReadyDescriptors (until, extraFd);
		fireDueTimers ();
	}
}

void HostRunLoop::serveReadyDescriptors (Clock::time_point until, int extraFd)
{
	fd_set readable;
	FD_ZERO (&readable);
	int highest = extraFd;
	if (extraFd >= 0)
		FD_SET (extraFd, &readable);
	for (const auto& e : eventHandlers)
	{
		FD_SET (e.fd, &readable);
		highest = std::max (highest, e.fd);
	}
	const auto wait = std::max (Clock::duration::zero (), until - Clock::now ());
	const auto micros = std::chrono::duration_cast<std::chrono::microseconds> (wait).count ();
	timeval timeout {static_cast<time_t> (micros / 1000000), static_cast<suseconds_t> (micros % 1000000)};
	if (select (highest + 1, &readable, nullptr, nullptr, &timeout) <= 0)
		return;

	// A callback may unregister handlers, so work from a snapshot.
	const auto ready = eventHandlers;
	for (const auto& e : ready)
	{
		if (!FD_ISSET (e.fd, &readable))
			continue;
		const bool stillRegistered = std::any_of (eventHandlers.begin (), eventHandlers.end (),
		                                          [&] (const EventHandler& r) { return r.handler == e.handler; });
		if (!stillRegistered)
			++lateCalls;
		e.handler->onFDIsSet (e.fd);
	}
}

void HostRunLoop::fireDueTimers ()
{
	const auto now = Clock::now ();
	std::vector<IPtr<Linux::ITimerHandler>> due;
	for (auto& t : timers)
	{
		if (t.due <= now)
		{
			due.push_back (t.handler);
			t.due = now + t.interval;
		}
	}
	for (const auto& handler : due)
	{
		const bool stillRegistered =
		    std::any_of (timers.begin (), timers.end (),
		                 [&] (const Timer& t) { return t.handler == handler; });
		if (stillRegistered)
			handler->onTimer ();
	}
}

} // namespace EditorWindow
} // namespace Tarvine
