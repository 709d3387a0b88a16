#include "controller/paramtable.h"

#include "controller/bypassparameter.h"
#include "controller/txexprangeparameter.h"
#include "controller/txrangeparameter.h"
#include "processor/paramids.h"

#include "pluginterfaces/base/ustring.h"
#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

namespace {

enum class Mapping
{
	linear,
	exponential
};

struct RangeRow
{
	ParamID id;
	const TChar* title;
	const TChar* units;
	Mapping mapping;
	ParamValue minPlain;
	ParamValue maxPlain;
	ParamValue defaultPlain;
	int32 precision;
};

// The ranges must agree with the processor's conversions of normalized
// values into engine values.
const RangeRow kRangeRows[] = {
	{kParamLevel, STR16 ("Level"), STR16 ("dB"), Mapping::linear, -36.0, 12.0, 0.0, 2},
	{kParamMix, STR16 ("Mix"), STR16 ("%"), Mapping::linear, 0.0, 100.0, 50.0, 0},
	{kParamPredelay, STR16 ("Predelay"), STR16 ("ms"), Mapping::exponential, 1.0, 250.0, 20.0, 1},
	{kParamRvbTime, STR16 ("Rvb Time"), STR16 ("s"), Mapping::linear, 0.2, 1.2, 0.35, 2},
	{kParamDiffusion, STR16 ("Diffusion"), STR16 ("%"), Mapping::linear, 0.0, 100.0, 100.0, 0},
	{kParamLPCut, STR16 ("LPCut"), STR16 ("Hz"), Mapping::exponential, 500.0, 16000.0, 5000.0, 0},
};

IPtr<Parameter> makeBypassParameter ()
{
	ParameterInfo info {};
	UString (info.title, str16BufferSize (String128)).assign (STR16 ("Bypass"));
	info.stepCount = 1;
	info.defaultNormalizedValue = 0.0;
	info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
	info.id = kParamBypass;
	info.unitId = kRootUnitId;
	return owned (new BypassParameter (info));
}

IPtr<Parameter> makeRangeParameter (const RangeRow& row)
{
	const int32 flags = ParameterInfo::kCanAutomate;
	IPtr<Parameter> parameter;
	if (row.mapping == Mapping::exponential)
		parameter = owned (new TXExpRangeParameter (row.title, row.id, row.units, flags,
		                                            row.minPlain, row.maxPlain, row.defaultPlain));
	else
		parameter = owned (new TXRangeParameter (row.title, row.id, row.units, flags, row.minPlain,
		                                         row.maxPlain, row.defaultPlain));
	parameter->setPrecision (row.precision);
	return parameter;
}

// The container takes over the parameter's one reference only once it holds
// it; when it runs out of memory first, the reference is dropped here.
void addOwned (ParameterContainer& parameters, IPtr<Parameter> parameter)
{
	parameters.addParameter (parameter.get ());
	parameter.take ();
}

} // namespace

void addPlugParameters (ParameterContainer& parameters)
{
	addOwned (parameters, makeBypassParameter ());
	for (const RangeRow& row : kRangeRows)
		addOwned (parameters, makeRangeParameter (row));
}

} // namespace Vst
} // namespace Steinberg
