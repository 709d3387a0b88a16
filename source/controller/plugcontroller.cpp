#include "controller/plugcontroller.h"

#include "controller/paramtable.h"
#include "processor/paramids.h"
#include "processor/paramstate.h"

#include <cmath>

namespace Steinberg {
namespace Vst {

PlugController::~PlugController () = default;

tresult PLUGIN_API PlugController::initialize (FUnknown* context)
{
	// The base refuses only when a host context is already held, that is,
	// on a second call without terminate: the table is there already.
	if (EditController::initialize (context) != kResultOk)
		return kResultOk;

	addPlugParameters (parameters);
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

IPlugView* PLUGIN_API PlugController::createView (FIDString /*name*/)
{
	return nullptr;
}

} // namespace Vst
} // namespace Steinberg
