#include "editorwindow/hosttimer.h"

#include <utility>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;

void PLUGIN_API HostTimer::onTimer ()
{
	// Emptied before it runs, so that it runs once.
	if (auto action = std::exchange (onDue, nullptr))
		action ();
}

tresult PLUGIN_API HostTimer::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, Linux::ITimerHandler::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<Linux::ITimerHandler*> (this);
		return kResultOk;
	}
	*obj = nullptr;
	return kNoInterface;
}

} // namespace EditorWindow
} // namespace Tarvine
