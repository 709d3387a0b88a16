#pragma once

#include "plugininstance.h"
#include "stereosource.h"
#include "wavwriter.h"

#include "pluginterfaces/vst/vsttypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Tarvine::Render {

enum class RenderOutcome
{
	kRendered,
	kProcessorFailed, // refused the setup or failed a block
	kReadFailed,
	kWriteFailed,
	kInterrupted // by a signal, between two blocks or in a read that waited
};

// The longest tail a render writes, whatever the processor reports.
constexpr double kMaxTailSeconds = 60.0;

// The most frames a render of an input of at most `inputFrames` frames
// writes, tail included.
uint64_t renderLengthBound (uint64_t inputFrames, double sampleRate);

struct RenderResult
{
	size_t frames = 0; // written, tail included
	Steinberg::uint32 tailSamples = 0;
	bool tailCapped = false;
};

// Streams `input` through the instance into `output` in blocks of
// `blockSize`, with the parameter changes in the first block, then as many
// frames of silence as the processor reports for its tail (at most a
// minute). Holds a block of samples at a time, whatever the length; when
// it fails, `error` says why. Stops at the next block once one of the
// signals that catchInterruptions names has come, and at once in a read of
// the input that waits.
template <typename Sample>
RenderOutcome render (const Hosting::PluginInstance& instance, StereoSource& input, WavWriter& output,
                      int blockSize,
                      const std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>>& changes,
                      RenderResult& result, std::string& error);

} // namespace Tarvine::Render
