#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <functional>

namespace Tarvine {
namespace EditorWindow {

// A descriptor of the host's own in its run loop, standing for the host's
// own X connection or UI: once a byte has arrived, its handler runs the
// action it was given, once. Lives on the host's stack: no reference counting.
class HostDescriptor : public Steinberg::Linux::IEventHandler
{
public:
	std::function<void ()> onReadable;

	HostDescriptor ();
	~HostDescriptor ();
	HostDescriptor (const HostDescriptor&) = delete;
	HostDescriptor& operator= (const HostDescriptor&) = delete;

	int fd () const { return ends[0]; }
	// Sends the byte; false if it could not.
	bool makeReadable () const;

	void PLUGIN_API onFDIsSet (Steinberg::Linux::FileDescriptor fd) override;
	Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID iid, void** obj) override;
	Steinberg::uint32 PLUGIN_API addRef () override { return 1; }
	Steinberg::uint32 PLUGIN_API release () override { return 1; }

private:
	int ends[2] {-1, -1};
};

} // namespace EditorWindow
} // namespace Tarvine
