#include "render.h"

#include "interruption.h"
#include "stereorenderer.h"

#include <algorithm>
#include <limits>

namespace Tarvine::Render {

using namespace Steinberg;
using namespace Steinberg::Vst;

uint64_t renderLengthBound (uint64_t inputFrames, double sampleRate)
{
	const auto maxTail = static_cast<uint64_t> (kMaxTailSeconds * sampleRate);
	constexpr uint64_t kMost = std::numeric_limits<uint64_t>::max ();
	return inputFrames > kMost - maxTail ? kMost : inputFrames + maxTail;
}

template <typename Sample>
RenderOutcome render (const Hosting::PluginInstance& instance, StereoSource& input, WavWriter& output,
                      int blockSize, const std::vector<std::pair<ParamID, ParamValue>>& changes,
                      RenderResult& result, std::string& error)
{
	Hosting::StereoRenderer<Sample> renderer (instance.component (), instance.processor ());
	if (renderer.start (input.sampleRate (), blockSize) != kResultOk)
	{
		error = "the processor refused the stereo setup at this sample rate";
		return RenderOutcome::kProcessorFailed;
	}
	for (const auto& [id, value] : changes)
		renderer.setParameter (id, value);

	const auto block = static_cast<size_t> (blockSize);
	std::vector<float> readLeft (block), readRight (block), writeLeft (block), writeRight (block);
	std::vector<Sample> inLeft (block), inRight (block), outLeft (block), outRight (block);
	result = {};
	size_t inputLength = 0; // frames read so far: all of them once the input has ended
	bool inputEnded = false;

	// The next block of input into inLeft and inRight, silence past its end;
	// or the news that a signal asks the render to stop.
	const auto readBlock = [&] (size_t& framesRead) {
		framesRead = 0;
		if (interruptingSignal () != 0)
			return RenderOutcome::kInterrupted;
		if (!inputEnded && !input.read (readLeft.data (), readRight.data (), block, framesRead, error))
			return interruptingSignal () != 0 ? RenderOutcome::kInterrupted : RenderOutcome::kReadFailed;
		// A signal ends a read that waits as if the input ended there.
		if (interruptingSignal () != 0)
			return RenderOutcome::kInterrupted;
		inputLength += framesRead;
		inputEnded = inputEnded || framesRead < block;
		std::copy_n (readLeft.begin (), framesRead, inLeft.begin ());
		std::copy_n (readRight.begin (), framesRead, inRight.begin ());
		std::fill (inLeft.begin () + framesRead, inLeft.end (), Sample (0));
		std::fill (inRight.begin () + framesRead, inRight.end (), Sample (0));
		return RenderOutcome::kRendered;
	};
	// The first `frames` frames of inLeft and inRight through the processor
	// and out to the file.
	const auto processBlock = [&] (size_t frames) {
		if (renderer.process (inLeft.data (), inRight.data (), outLeft.data (), outRight.data (),
		                      static_cast<int32> (frames)) != kResultOk)
		{
			error = "the processor failed to process a block";
			return RenderOutcome::kProcessorFailed;
		}
		std::transform (outLeft.begin (), outLeft.begin () + frames, writeLeft.begin (),
		                [] (Sample sample) { return static_cast<float> (sample); });
		std::transform (outRight.begin (), outRight.begin () + frames, writeRight.begin (),
		                [] (Sample sample) { return static_cast<float> (sample); });
		if (!output.write (writeLeft.data (), writeRight.data (), frames, error))
			return RenderOutcome::kWriteFailed;
		result.frames += frames;
		return RenderOutcome::kRendered;
	};

	// The tail follows the parameters, which the first block delivers; an
	// input shorter than a block makes a shorter first block, and an empty
	// one a block of no samples, from which a processor takes parameter
	// changes all the same.
	size_t framesRead = 0;
	if (const auto outcome = readBlock (framesRead); outcome != RenderOutcome::kRendered)
		return outcome;
	if (const auto outcome = processBlock (framesRead); outcome != RenderOutcome::kRendered)
		return outcome;
	const uint32 tail = instance.processor ().getTailSamples ();
	const auto maxTail = static_cast<uint32> (kMaxTailSeconds * input.sampleRate ());
	result.tailCapped = tail > maxTail;
	result.tailSamples = std::min (tail, maxTail);

	// Then whole blocks, the input running on into silence, until the tail
	// after the input's last frame is out.
	for (;;)
	{
		if (const auto outcome = readBlock (framesRead); outcome != RenderOutcome::kRendered)
			return outcome;
		const size_t end = inputEnded ? inputLength + result.tailSamples : std::numeric_limits<size_t>::max ();
		const size_t frames = std::min (block, end - result.frames);
		if (frames == 0)
			break;
		if (const auto outcome = processBlock (frames); outcome != RenderOutcome::kRendered)
			return outcome;
	}

	renderer.stop ();
	return RenderOutcome::kRendered;
}

template RenderOutcome render<float> (const Hosting::PluginInstance&, StereoSource&, WavWriter&, int,
                                      const std::vector<std::pair<ParamID, ParamValue>>&, RenderResult&,
                                      std::string&);
template RenderOutcome render<double> (const Hosting::PluginInstance&, StereoSource&, WavWriter&, int,
                                       const std::vector<std::pair<ParamID, ParamValue>>&, RenderResult&,
                                       std::string&);

} // namespace Tarvine::Render
