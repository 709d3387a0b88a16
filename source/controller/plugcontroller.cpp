#include "controller/plugcontroller.h"

#include "controller/clampedmapping.h"
#include "controller/paramtable.h"
#include "processor/paramids.h"
#include "processor/paramstate.h"

#include "base/source/updatehandler.h"
#include "pluginterfaces/vst/ivsthostapplication.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace Steinberg {
namespace Vst {

PlugController::~PlugController () = default;

tresult PLUGIN_API PlugController::initialize (FUnknown* context)
{
	// The base refuses only when a host context is already held, that is,
	// on a second call without terminate: the table is there already. A
	// first call without a context is not refused by the base, so the table
	// itself tells whether it was built.
	if (EditController::initialize (context) != kResultOk || parameters.getParameterCount () > 0)
		return kResultOk;

	// No exception may reach the host. Without memory there is no table,
	// and the host context is let go too, so that a later initialize is a
	// first one again and builds the table.
	try
	{
		addPlugParameters (parameters);
	}
	catch (...)
	{
		EditController::terminate (); // empties the table as well
		return kOutOfMemory;
	}
	return kResultOk;
}

tresult PLUGIN_API PlugController::setComponentState (IBStream* state)
{
	ParamState record;
	const tresult result = readParamState (record, state);
	if (result != kResultOk)
		return result;

	setParamNormalized (kParamBypass, record.bypass ? 1.0 : 0.0);
	for (ParamID id = kParamLevel; id <= kParamLPCut; ++id)
		setParamNormalized (id, record.values[id - kParamLevel]);
	return kResultOk;
}

tresult PLUGIN_API PlugController::setParamNormalized (ParamID tag, ParamValue value)
{
	// The SDK's parameter clamps into [0, 1] but would store a NaN as it is.
	if (std::isnan (value))
		value = 0.0;
	return EditController::setParamNormalized (tag, value);
}

tresult PLUGIN_API PlugController::getParamStringByValue (ParamID tag, ParamValue valueNormalized,
                                                         String128 string)
{
	// The SDK's text writers write through the pointer unchecked.
	if (string == nullptr)
		return kInvalidArgument;
	return EditController::getParamStringByValue (tag, valueNormalized, string);
}

tresult PLUGIN_API PlugController::getParamValueByString (ParamID tag, TChar* string,
                                                         ParamValue& valueNormalized)
{
	if (string == nullptr)
		return kInvalidArgument;
	return EditController::getParamValueByString (tag, string, valueNormalized);
}

ParamValue PLUGIN_API PlugController::normalizedParamToPlain (ParamID tag, ParamValue valueNormalized)
{
	if (const Parameter* parameter = getParameterObject (tag))
		return plainInRange (*parameter, valueNormalized);
	return valueNormalized;
}

ParamValue PLUGIN_API PlugController::plainParamToNormalized (ParamID tag, ParamValue plainValue)
{
	if (const Parameter* parameter = getParameterObject (tag))
		return normalizedInRange (*parameter, plainValue);
	return plainValue;
}

IPlugView* PLUGIN_API PlugController::createView (FIDString name)
{
	if (name == nullptr || std::strcmp (name, ViewType::kEditor) != 0)
		return nullptr;

	// The editor's knobs follow straight mouse movement; the host may pick
	// another mode later, and the next editor sets linear again.
	setKnobMode (kLinearMode);
	// No exception may reach the host; without memory there is no editor.
	try
	{
		return new VSTGUI::VST3Editor (this, "view", "plug.uidesc");
	}
	catch (...)
	{
		return nullptr;
	}
}

VSTGUI::IController* PlugController::createSubController (
    VSTGUI::UTF8StringPtr name, const VSTGUI::IUIDescription* /*description*/,
    VSTGUI::VST3Editor* /*editor*/)
{
	if (name == nullptr || std::strcmp (name, "AboutController") != 0)
		return nullptr;

	// The editor asks while the host opens it, so nothing may be thrown
	// from here either; the list only ever holds a finished controller.
	try
	{
		auto about = std::make_unique<AboutController> (this, hostWrapsAsAudioUnit ());
		addAboutController (about.get ());
		return about.release ();
	}
	catch (...)
	{
		return nullptr;
	}
}

void PlugController::didOpen (VSTGUI::VST3Editor* /*editor*/)
{
	// The editor binds each parameter's first control (its fader or button)
	// at once, but only schedules the update of any further one (the value
	// text) for its idle timer, which first runs a while after the frame's
	// first paint: that paint would show every value text at its range's
	// start. Those scheduled updates are due now, while nothing is painted.
	// The host opens the editor, so nothing may be thrown from here; without
	// memory the idle timer still brings the texts a moment later.
	try
	{
		UpdateHandler* updates = UpdateHandler::instance ();
		for (int32 index = 0; index < parameters.getParameterCount (); ++index)
			updates->triggerDeferedUpdates (parameters.getParameterByIndex (index));
	}
	catch (...)
	{
	}
}

bool PlugController::hostWrapsAsAudioUnit () const
{
	FUnknown* context = getHostContext ();
	if (context == nullptr)
		return false;
	IVst3ToAUWrapper* wrapper = nullptr;
	const tresult result =
	    context->queryInterface (IVst3ToAUWrapper::iid, reinterpret_cast<void**> (&wrapper));
	// Only a successful answer hands us a reference; whatever a failed one
	// left in the pointer is not ours to release.
	if (result != kResultOk || wrapper == nullptr)
		return false;
	wrapper->release ();
	return true;
}

void PlugController::addAboutController (AboutController* about)
{
	aboutControllers.push_back (about);
}

void PlugController::removeAboutController (AboutController* about)
{
	auto it = std::find (aboutControllers.begin (), aboutControllers.end (), about);
	if (it != aboutControllers.end ())
		aboutControllers.erase (it);
}

} // namespace Vst
} // namespace Steinberg
