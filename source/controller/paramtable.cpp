#include "controller/paramtable.h"

#include "controller/txexprangeparameter.h"
#include "controller/txrangeparameter.h"
#include "processor/paramids.h"

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

Parameter* makeRangeParameter (const RangeRow& row)
{
	const int32 flags = ParameterInfo::kCanAutomate;
	if (row.mapping == Mapping::exponential)
		return new TXExpRangeParameter (row.title, row.id, row.units, flags, row.minPlain,
		                                row.maxPlain, row.defaultPlain);
	return new TXRangeParameter (row.title, row.id, row.units, flags, row.minPlain, row.maxPlain,
	                             row.defaultPlain);
}

} // namespace

void addPlugParameters (ParameterContainer& parameters)
{
	parameters.addParameter (STR16 ("Bypass"), nullptr, 1, 0.0,
	                         ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass, kParamBypass,
	                         kRootUnitId, nullptr);

	for (const RangeRow& row : kRangeRows)
	{
		Parameter* parameter = makeRangeParameter (row);
		parameter->setPrecision (row.precision);
		parameters.addParameter (parameter);
	}
}

} // namespace Vst
} // namespace Steinberg
