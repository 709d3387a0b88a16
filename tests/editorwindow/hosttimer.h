#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <functional>

namespace Tarvine {
namespace EditorWindow {

// A timer of the host's own in its run loop, standing for the host's idle
// or UI timer: the next time it fires, it runs the action it was given,
// once. Lives on the host's stack: no reference counting.
class HostTimer : public Steinberg::Linux::ITimerHandler
{
public:
	std::function<void ()> onDue;

	void PLUGIN_API onTimer () override;
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }
};

} // namespace EditorWindow
} // namespace Tarvine
