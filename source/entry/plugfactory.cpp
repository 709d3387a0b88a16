#include "controller/plugcontroller.h"
#include "entry/plugids.h"
#include "entry/plugversion.h"
#include "processor/plugprocessor.h"

#include "public.sdk/source/main/pluginfactory.h"

#include <mutex>
#include <new>

namespace Steinberg {
namespace Vst {

namespace {

// A create function must not let an exception reach the host: a failed
// creation is a null object, which the factory reports as kNoInterface.
FUnknown* createProcessorInstance (void* /*context*/)
{
	try
	{
		auto* processor = new (std::nothrow) PlugProcessor;
		return processor ? static_cast<IAudioProcessor*> (processor) : nullptr;
	}
	catch (...)
	{
		return nullptr;
	}
}

FUnknown* createControllerInstance (void* /*context*/)
{
	try
	{
		auto* controller = new (std::nothrow) PlugController ();
		return controller ? static_cast<IEditController*> (controller) : nullptr;
	}
	catch (...)
	{
		return nullptr;
	}
}

const PFactoryInfo& factoryInfo ()
{
	static const PFactoryInfo info (kPlugVendor, kPlugVendorUrl, kPlugVendorEmail,
	                                PFactoryInfo::kUnicode);
	return info;
}

const PClassInfo2& processorClassInfo ()
{
	static const PClassInfo2 info = [] {
		TUID cid;
		PlugProcessorUID.toTUID (cid);
		return PClassInfo2 (cid, PClassInfo::kManyInstances, kVstAudioEffectClass, kPlugName,
		                    kDistributable, kPlugSubCategories, nullptr, kPlugVersion,
		                    kPlugSdkVersion);
	}();
	return info;
}

const PClassInfo2& controllerClassInfo ()
{
	static const PClassInfo2 info = [] {
		TUID cid;
		PlugControllerUID.toTUID (cid);
		return PClassInfo2 (cid, PClassInfo::kManyInstances, kVstComponentControllerClass,
		                    kPlugControllerName, 0, "", nullptr, kPlugVersion, kPlugSdkVersion);
	}();
	return info;
}

// Held while the factory pointer is tested and a new factory is built, so
// that two threads making the first call get one factory between them.
std::mutex& factoryMutex ()
{
	static std::mutex mutex;
	return mutex;
}

} // namespace

} // namespace Vst
} // namespace Steinberg

using namespace Steinberg;
using namespace Steinberg::Vst;

// The SDK's factory clears gPluginFactory when its last reference goes, so
// the next call builds a new one with the same two classes.
SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory ()
{
	std::lock_guard<std::mutex> lock (factoryMutex ());
	if (gPluginFactory)
	{
		gPluginFactory->addRef ();
		return gPluginFactory;
	}

	// Without memory there is no factory; nothing may be thrown at the host.
	gPluginFactory = new (std::nothrow) CPluginFactory (factoryInfo ());
	if (!gPluginFactory)
		return nullptr;
	gPluginFactory->registerClass (&processorClassInfo (), createProcessorInstance, nullptr);
	gPluginFactory->registerClass (&controllerClassInfo (), createControllerInstance, nullptr);
	return gPluginFactory;
}
