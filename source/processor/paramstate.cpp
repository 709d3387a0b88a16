#include "processor/paramstate.h"

#include "base/source/fstreamer.h"

namespace Steinberg {
namespace Vst {

tresult writeParamState (const ParamState& state, IBStream* stream)
{
	if (!stream)
		return kResultFalse;

	IBStreamer out (stream, kLittleEndian);
	if (!out.writeInt64u (0))
		return kResultFalse;
	if (!out.writeInt32 (state.bypass ? 1 : 0))
		return kResultFalse;
	for (double value : state.values)
	{
		if (!out.writeDouble (value))
			return kResultFalse;
	}
	for (bool flag : state.flags)
	{
		if (!out.writeInt32 (flag ? 1 : 0))
			return kResultFalse;
	}
	return kResultOk;
}

tresult readParamState (ParamState& state, IBStream* stream)
{
	if (!stream)
		return kResultFalse;

	IBStreamer in (stream, kLittleEndian);
	uint64 header = 0;
	if (!in.readInt64u (header))
		return kResultFalse;

	int32 bypass = 0;
	if (!in.readInt32 (bypass))
		return kResultFalse;

	double values[ParamState::kNumValues];
	for (double& value : values)
	{
		if (!in.readDouble (value))
			return kResultFalse;
	}

	int32 flags[ParamState::kNumFlags];
	for (int32& flag : flags)
	{
		if (!in.readInt32 (flag))
			return kResultFalse;
	}

	// Commit only now, so a short stream never leaves a half-written record.
	state.bypass = bypass > 0;
	for (int32 i = 0; i < ParamState::kNumValues; ++i)
		state.values[i] = values[i];
	for (int32 i = 0; i < ParamState::kNumFlags; ++i)
		state.flags[i] = flags[i] > 0;
	return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
