#include "render.h"

#include "stereorenderer.h"

#include <algorithm>
#include <cstddef>

namespace Tarvine::Render {

using namespace Steinberg;
using namespace Steinberg::Vst;

template <typename Sample>
bool render (const Hosting::PluginInstance& instance, const StereoSignal& input, int blockSize,
             const std::vector<std::pair<ParamID, ParamValue>>& changes, RenderResult& result,
             std::string& error)
{
	Hosting::StereoRenderer<Sample> renderer (instance.component (), instance.processor ());
	if (renderer.start (input.sampleRate, blockSize) != kResultOk)
	{
		error = "the processor refused the stereo setup at this sample rate";
		return false;
	}
	for (const auto& [id, value] : changes)
		renderer.setParameter (id, value);

	const auto block = static_cast<size_t> (blockSize);
	std::vector<Sample> inLeft (block), inRight (block), outLeft (block), outRight (block);
	StereoSignal& output = result.output;
	output.sampleRate = input.sampleRate;
	output.left.clear ();
	output.right.clear ();

	// Blocks of input, then blocks of silence until `total` frames are out.
	const auto run = [&] (size_t total) {
		while (output.left.size () < total)
		{
			const size_t pos = output.left.size ();
			const size_t n = std::min (block, total - pos);
			for (size_t i = 0; i < n; ++i)
			{
				const bool inside = pos + i < input.left.size ();
				inLeft[i] = inside ? Sample (input.left[pos + i]) : Sample (0);
				inRight[i] = inside ? Sample (input.right[pos + i]) : Sample (0);
			}
			if (renderer.process (inLeft.data (), inRight.data (), outLeft.data (), outRight.data (),
			                      static_cast<int32> (n)) != kResultOk)
			{
				error = "the processor failed to process a block";
				return false;
			}
			for (size_t i = 0; i < n; ++i)
			{
				output.left.push_back (static_cast<float> (outLeft[i]));
				output.right.push_back (static_cast<float> (outRight[i]));
			}
		}
		return true;
	};

	// The tail follows the parameters, which the first block delivers.
	if (!run (std::min (block, input.left.size ())))
		return false;
	const uint32 tail = instance.processor ().getTailSamples ();
	const auto maxTail = static_cast<uint32> (60.0 * input.sampleRate);
	result.tailCapped = tail > maxTail;
	result.tailSamples = std::min (tail, maxTail);
	if (!run (input.left.size () + result.tailSamples))
		return false;

	renderer.stop ();
	return true;
}

template bool render<float> (const Hosting::PluginInstance&, const StereoSignal&, int,
                             const std::vector<std::pair<ParamID, ParamValue>>&, RenderResult&,
                             std::string&);
template bool render<double> (const Hosting::PluginInstance&, const StereoSignal&, int,
                              const std::vector<std::pair<ParamID, ParamValue>>&, RenderResult&,
                              std::string&);

} // namespace Tarvine::Render
