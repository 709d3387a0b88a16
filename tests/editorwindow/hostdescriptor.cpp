#include "editorwindow/hostdescriptor.h"

#include <unistd.h>

namespace Tarvine {
namespace EditorWindow {

using namespace Steinberg;

HostDescriptor::HostDescriptor ()
{
	if (pipe (ends) != 0)
		ends[0] = ends[1] = -1;
}

HostDescriptor::~HostDescriptor ()
{
	for (const int end : ends)
	{
		if (end >= 0)
			close (end);
	}
}

bool HostDescriptor::makeReadable () const
{
	return ends[1] >= 0 && write (ends[1], "x", 1) == 1;
}

void PLUGIN_API HostDescriptor::onFDIsSet (Linux::FileDescriptor descriptor)
{
	char byte = 0;
	if (read (descriptor, &byte, 1) == 1)
	{
		if (auto action = std::move (onReadable))
			action ();
	}
}

tresult PLUGIN_API HostDescriptor::queryInterface (const TUID iid, void** obj)
{
	if (FUnknownPrivate::iidEqual (iid, Linux::IEventHandler::iid) || FUnknownPrivate::iidEqual (iid, FUnknown::iid))
	{
		*obj = static_cast<Linux::IEventHandler*> (this);
		return kResultOk;
	}
	*obj = nullptr;
	return kNoInterface;
}

} // namespace EditorWindow
} // namespace Tarvine
