#include "plugininstance.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cstdlib>

namespace Tarvine::Hosting {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::unique_ptr<PluginInstance> PluginInstance::create (const VST3::Hosting::Module::Ptr& module,
                                                        std::string& error)
{
	if (!module)
	{
		error = "no module";
		return nullptr;
	}

	std::unique_ptr<PluginInstance> instance (new PluginInstance);
	instance->module = module;
	instance->host = std::make_unique<HostApplication> ();

	const auto& factory = module->getFactory ();
	for (const auto& classInfo : factory.classInfos ())
	{
		if (classInfo.category () != kVstAudioEffectClass)
			continue;
		instance->componentPtr = factory.createInstance<IComponent> (classInfo.ID ());
		break;
	}
	if (!instance->componentPtr)
	{
		error = "the module offers no audio effect class";
		return nullptr;
	}
	if (instance->componentPtr->initialize (instance->host.get ()) != kResultOk)
	{
		error = "the processor refused to initialize";
		return nullptr;
	}
	instance->componentInitialized = true;

	instance->processorPtr = U::cast<IAudioProcessor> (instance->componentPtr);
	if (!instance->processorPtr)
	{
		error = "the component is not an audio processor";
		return nullptr;
	}

	TUID controllerCid;
	if (instance->componentPtr->getControllerClassId (controllerCid) != kResultOk)
	{
		error = "the processor names no controller class";
		return nullptr;
	}
	instance->controllerPtr =
	    factory.createInstance<IEditController> (VST3::UID::fromTUID (controllerCid));
	if (!instance->controllerPtr)
	{
		error = "the module cannot create the controller class";
		return nullptr;
	}
	if (instance->controllerPtr->initialize (instance->host.get ()) != kResultOk)
	{
		error = "the controller refused to initialize";
		return nullptr;
	}
	instance->controllerInitialized = true;

	// As a host does after creating the pair; a processor without a state
	// leaves the controller at its own defaults.
	instance->mirrorStateToController ();
	return instance;
}

PluginInstance::~PluginInstance ()
{
	if (controllerInitialized)
		controllerPtr->terminate ();
	if (componentInitialized)
		componentPtr->terminate ();
	controllerPtr = nullptr;
	processorPtr = nullptr;
	componentPtr = nullptr;
}

bool PluginInstance::mirrorStateToController () const
{
	MemoryStream stream;
	if (componentPtr->getState (&stream) != kResultOk)
		return false;
	stream.seek (0, IBStream::kIBSeekSet, nullptr);
	return controllerPtr->setComponentState (&stream) == kResultOk;
}

bool PluginInstance::findParameter (const std::string& name, ParamID& id) const
{
	char* end = nullptr;
	const unsigned long number = std::strtoul (name.c_str (), &end, 10);
	const bool isNumber = !name.empty () && end && *end == 0;

	const int32 count = controllerPtr->getParameterCount ();
	for (int32 index = 0; index < count; ++index)
	{
		ParameterInfo info {};
		if (controllerPtr->getParameterInfo (index, info) != kResultOk)
			continue;
		if ((isNumber && info.id == number) || VST3::StringConvert::convert (info.title) == name)
		{
			id = info.id;
			return true;
		}
	}
	return false;
}

std::string PluginInstance::valueText (ParamID id, ParamValue normalized) const
{
	String128 text {};
	if (controllerPtr->getParamStringByValue (id, normalized, text) != kResultTrue)
		return {};
	return VST3::StringConvert::convert (text);
}

std::string PluginInstance::title (ParamID id) const
{
	const int32 count = controllerPtr->getParameterCount ();
	for (int32 index = 0; index < count; ++index)
	{
		ParameterInfo info {};
		if (controllerPtr->getParameterInfo (index, info) == kResultOk && info.id == id)
			return VST3::StringConvert::convert (info.title);
	}
	return {};
}

} // namespace Tarvine::Hosting
