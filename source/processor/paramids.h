#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg {
namespace Vst {

// Parameter ids, shared by the processor, the controller and the editor's
// control tags. Saved automation refers to them: never renumber.
enum PlugParamId : ParamID
{
	kParamBypass = 0,
	kParamLevel = 1,
	kParamMix = 2,
	kParamPredelay = 3,
	kParamRvbTime = 4,
	kParamDiffusion = 5,
	kParamLPCut = 6,
	kNumParams = 7
};

} // namespace Vst
} // namespace Steinberg
