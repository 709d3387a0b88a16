#pragma once

#include "demosignal.h"
#include "plugininstance.h"

#include "pluginterfaces/vst/vsttypes.h"

#include <string>
#include <utility>
#include <vector>

namespace Tarvine::Render {

struct RenderResult
{
	StereoSignal output;
	Steinberg::uint32 tailSamples = 0;
	bool tailCapped = false;
};

// Runs `input` through the instance in blocks of `blockSize`, with the
// parameter changes in the first block, then as many blocks of silence as
// the processor reports for its tail (at most a minute). False with a
// reason in `error` when the processor refuses to set up or to process.
template <typename Sample>
bool render (const Hosting::PluginInstance& instance, const StereoSignal& input, int blockSize,
             const std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>>& changes,
             RenderResult& result, std::string& error);

} // namespace Tarvine::Render
