#include "serialrunloop.h"

#include <poll.h>

#include <algorithm>

namespace Tarvine::Test {

using namespace Steinberg;

tresult PLUGIN_API SerialRunLoop::registerEventHandler (Linux::IEventHandler* handler, Linux::FileDescriptor fd)
{
	if (handler == nullptr || fd < 0)
		return kInvalidArgument;
	eventHandlers.push_back ({handler, fd});
	return kResultTrue;
}

tresult PLUGIN_API SerialRunLoop::unregisterEventHandler (Linux::IEventHandler* handler)
{
	auto it = std::find_if (eventHandlers.begin (), eventHandlers.end (),
	                        [&] (const EventHandler& e) { return e.handler == handler; });
	if (it == eventHandlers.end ())
		return kResultFalse;
	eventHandlers.erase (it);
	return kResultTrue;
}

tresult PLUGIN_API SerialRunLoop::registerTimer (Linux::ITimerHandler* handler, Linux::TimerInterval milliseconds)
{
	if (handler == nullptr || milliseconds == 0)
		return kInvalidArgument;
	const std::chrono::milliseconds interval (milliseconds);
	timers.push_back ({handler, interval, Clock::now () + interval});
	return kResultTrue;
}

tresult PLUGIN_API SerialRunLoop::unregisterTimer (Linux::ITimerHandler* handler)
{
	auto it = std::find_if (timers.begin (), timers.end (), [&] (const Timer& t) { return t.handler == handler; });
	if (it == timers.end ())
		return kResultFalse;
	timers.erase (it);
	return kResultTrue;
}

tresult PLUGIN_API SerialRunLoop::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, Linux::IRunLoop::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<Linux::IRunLoop*> (this);
		return kResultOk;
	}
	*obj = nullptr;
	return kNoInterface;
}

bool SerialRunLoop::runUntil (const std::function<bool ()>& done, std::chrono::milliseconds limit)
{
	const auto end = Clock::now () + limit;
	while (Clock::now () < end)
	{
		auto first = std::min_element (timers.begin (), timers.end (),
		                               [] (const Timer& a, const Timer& b) { return a.due < b.due; });
		const auto until = first == timers.end () ? end : std::min (end, first->due);
		if (!serveOneDescriptor (until))
		{
			// No descriptor became ready before the first timer was due. A
			// handler may have changed the timers meanwhile, so look again.
			first = std::min_element (timers.begin (), timers.end (),
			                          [] (const Timer& a, const Timer& b) { return a.due < b.due; });
			if (first == timers.end () || first->due > Clock::now ())
				continue;
			const IPtr<Linux::ITimerHandler> handler = first->handler;
			first->due = Clock::now () + first->interval;
			handler->onTimer ();
		}
		if (done ())
			return true;
	}
	return false;
}

bool SerialRunLoop::serveOneDescriptor (Clock::time_point until)
{
	std::vector<pollfd> watched;
	for (const auto& e : eventHandlers)
		watched.push_back ({e.fd, POLLIN, 0});
	const auto wait = std::max (Clock::duration::zero (), until - Clock::now ());
	const auto waitMs = std::chrono::ceil<std::chrono::milliseconds> (wait).count ();
	if (poll (watched.data (), watched.size (), static_cast<int> (waitMs)) <= 0)
		return false;
	for (size_t i = 0; i < watched.size (); ++i)
	{
		if (watched[i].revents == 0)
			continue;
		// A callback may unregister handlers; the copy keeps this one alive.
		const IPtr<Linux::IEventHandler> handler = eventHandlers[i].handler;
		handler->onFDIsSet (watched[i].fd);
		return true;
	}
	return false;
}

} // namespace Tarvine::Test
