#pragma once

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <memory>
#include <string>

namespace Tarvine::Hosting {

// One plug-in instance as a host makes it from a loaded module: the first
// audio effect class and the controller class it names, both initialized
// with a host context, the controller mirroring the processor's state.
class PluginInstance
{
public:
	// Null with a reason in `error` when the module offers no usable pair.
	static std::unique_ptr<PluginInstance> create (const VST3::Hosting::Module::Ptr& module,
	                                               std::string& error);
	~PluginInstance ();

	PluginInstance (const PluginInstance&) = delete;
	PluginInstance& operator= (const PluginInstance&) = delete;

	Steinberg::Vst::IComponent& component () const { return *componentPtr; }
	Steinberg::Vst::IAudioProcessor& processor () const { return *processorPtr; }
	Steinberg::Vst::IEditController& controller () const { return *controllerPtr; }

	// Hands the processor's state to the controller, as a host does after
	// loading a project.
	bool mirrorStateToController () const;

	// The parameter whose id (a decimal number) or title is `name`.
	bool findParameter (const std::string& name, Steinberg::Vst::ParamID& id) const;

	// The controller's value text and title of a parameter.
	std::string valueText (Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized) const;
	std::string title (Steinberg::Vst::ParamID id) const;

private:
	PluginInstance () = default;

	VST3::Hosting::Module::Ptr module;
	// The SDK's host context counts no references (its addRef and release
	// do nothing), so an owning IPtr would never free it: it is owned here
	// as a plain object, declared before the plug-in's interfaces so that
	// it outlives them.
	std::unique_ptr<Steinberg::Vst::HostApplication> host;
	Steinberg::IPtr<Steinberg::Vst::IComponent> componentPtr;
	Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processorPtr;
	Steinberg::IPtr<Steinberg::Vst::IEditController> controllerPtr;
	bool componentInitialized = false;
	bool controllerInitialized = false;
};

} // namespace Tarvine::Hosting
