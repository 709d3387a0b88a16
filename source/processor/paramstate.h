#pragma once

#include "pluginterfaces/base/ftypes.h"
#include "pluginterfaces/base/funknown.h"

namespace Steinberg {
class IBStream;

namespace Vst {

// The parameter record that hosts save in projects and presets.
// values[i] for i = 0..5 is the normalized value of parameter id i + 1;
// values[6..11] and flags are reserved and carried through unchanged.
struct ParamState
{
	static constexpr int32 kNumValues = 12;
	static constexpr int32 kNumFlags = 4;

	bool bypass = false;
	double values[kNumValues] = {};
	bool flags[kNumFlags] = {};
};

// Size of the serialized record: header word, bypass, twelve doubles, four flags.
constexpr int32 kParamStateStreamSize = 8 + 4 + ParamState::kNumValues * 8 + ParamState::kNumFlags * 4;

// The stream is called until the whole record has moved, each call counted
// by the bytes it reports moving, whatever its result code; a call that
// moves nothing ends it.

// Writes the 124-byte little-endian record at the stream's position:
// kResultOk when all of it was written, kResultFalse for a null stream or
// one that stopped taking bytes before the end.
tresult writeParamState (const ParamState& state, IBStream* stream);

// Reads the 124-byte record; the target is overwritten only when every field
// was read, otherwise it is left as it was and kResultFalse is returned.
tresult readParamState (ParamState& state, IBStream* stream);

} // namespace Vst
} // namespace Steinberg
