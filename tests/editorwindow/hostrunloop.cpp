#include "editorwindow/hostrunloop.h"

#include <algorithm>

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
		// The timers as the round begins: a callback before them may
		// unregister some, and register others for the next round.
		const auto roundTimers = timers;
		serveReadyDescriptors (firstDue (end), extraFd);
		fireDueTimers (roundTimers);
	}
}

bool HostRunLoop::runUntil (const std::function<bool ()>& done, std::chrono::milliseconds limit)
{
	const auto end = Clock::now () + limit;
	while (Clock::now () < end)
	{
		if (!serveOneDescriptor (firstDue (end)))
		{
			// No descriptor was ready: the timer due first fires, unless the
			// wait ended before it was due (at the end of the time, or
			// because a signal cut it short).
			const auto first = firstTimer ();
			if (first == timers.end () || first->due > Clock::now ())
				continue;
			// Kept alive, in case the callback unregisters it.
			const IPtr<Linux::ITimerHandler> handler = first->handler;
			first->due = Clock::now () + first->interval;
			handler->onTimer ();
		}
		if (done ())
			return true;
	}
	return false;
}

std::vector<pollfd> HostRunLoop::waitForReadable (Clock::time_point until, int extraFd) const
{
	std::vector<pollfd> watched;
	watched.reserve (eventHandlers.size () + 1);
	for (const auto& e : eventHandlers)
		watched.push_back ({e.fd, POLLIN, 0});
	if (extraFd >= 0)
		watched.push_back ({extraFd, POLLIN, 0});
	const auto wait = std::max (Clock::duration::zero (), until - Clock::now ());
	// Rounded up, so that a wait for a timer does not end just before it is due.
	const auto waitMs = std::chrono::ceil<std::chrono::milliseconds> (wait).count ();
	if (poll (watched.data (), watched.size (), static_cast<int> (waitMs)) <= 0)
		watched.clear ();
	return watched;
}

void HostRunLoop::serveReadyDescriptors (Clock::time_point until, int extraFd)
{
	const auto watched = waitForReadable (until, extraFd);
	if (watched.empty ())
		return;

	// A callback may unregister handlers, so work from a snapshot (in the
	// order the descriptors were watched).
	const auto ready = eventHandlers;
	for (size_t i = 0; i < ready.size (); ++i)
	{
		if (watched[i].revents == 0)
			continue;
		const auto& e = ready[i];
		const bool stillRegistered = std::any_of (eventHandlers.begin (), eventHandlers.end (),
		                                          [&] (const EventHandler& r) { return r.handler == e.handler; });
		if (!stillRegistered)
			++lateHandlerCalls;
		e.handler->onFDIsSet (e.fd);
	}
}

bool HostRunLoop::serveOneDescriptor (Clock::time_point until)
{
	const auto watched = waitForReadable (until, -1);
	for (size_t i = 0; i < watched.size (); ++i)
	{
		if (watched[i].revents == 0)
			continue;
		// The callback may unregister handlers; the copy keeps this one alive.
		const IPtr<Linux::IEventHandler> handler = eventHandlers[i].handler;
		handler->onFDIsSet (watched[i].fd);
		return true;
	}
	return false;
}

void HostRunLoop::fireDueTimers (const std::vector<Timer>& roundTimers)
{
	const auto now = Clock::now ();
	for (const auto& t : roundTimers)
	{
		if (t.due > now)
			continue;
		const auto registered = std::find_if (timers.begin (), timers.end (),
		                                      [&] (const Timer& r) { return r.handler == t.handler; });
		if (registered == timers.end ())
			++lateTimerCalls;
		else
			registered->due = now + registered->interval;
		t.handler->onTimer ();
	}
}

std::vector<HostRunLoop::Timer>::iterator HostRunLoop::firstTimer ()
{
	return std::min_element (timers.begin (), timers.end (),
	                         [] (const Timer& a, const Timer& b) { return a.due < b.due; });
}

HostRunLoop::Clock::time_point HostRunLoop::firstDue (Clock::time_point end)
{
	const auto first = firstTimer ();
	return first == timers.end () ? end : std::min (end, first->due);
}

} // namespace EditorWindow
} // namespace Tarvine
