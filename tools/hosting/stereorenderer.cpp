#include "stereorenderer.h"

#include <algorithm>
#include <type_traits>

namespace Tarvine::Hosting {

using namespace Steinberg;
using namespace Steinberg::Vst;

template <typename Sample>
constexpr int32 kSymbolicSampleSize = std::is_same_v<Sample, double> ? kSample64 : kSample32;

template <typename Sample>
StereoRenderer<Sample>::StereoRenderer (IComponent& component, IAudioProcessor& processor)
: component (component), processor (processor)
{
}

template <typename Sample>
StereoRenderer<Sample>::~StereoRenderer ()
{
	stop ();
}

template <typename Sample>
tresult StereoRenderer<Sample>::start (double sampleRate, int32 maxBlockSize)
{
	SpeakerArrangement input = SpeakerArr::kStereo;
	SpeakerArrangement output = SpeakerArr::kStereo;
	tresult result = processor.setBusArrangements (&input, 1, &output, 1);
	if (result != kResultTrue)
		return result;

	ProcessSetup setup {kRealtime, kSymbolicSampleSize<Sample>, maxBlockSize, sampleRate};
	result = processor.setupProcessing (setup);
	if (result != kResultOk)
		return result;

	for (auto& channel : inputs)
		channel.assign (static_cast<size_t> (maxBlockSize), Sample (0));
	for (auto& channel : outputs)
		channel.assign (static_cast<size_t> (maxBlockSize), Sample (0));
	maxBlock = maxBlockSize;

	data.prepare (component, 0, kSymbolicSampleSize<Sample>);
	Sample* in[2] = {inputs[0].data (), inputs[1].data ()};
	Sample* out[2] = {outputs[0].data (), outputs[1].data ()};
	if constexpr (std::is_same_v<Sample, double>)
	{
		data.setChannelBuffers64 (kInput, 0, in, 2);
		data.setChannelBuffers64 (kOutput, 0, out, 2);
	}
	else
	{
		data.setChannelBuffers (kInput, 0, in, 2);
		data.setChannelBuffers (kOutput, 0, out, 2);
	}
	data.inputParameterChanges = &inputChanges;

	result = component.setActive (true);
	if (result != kResultOk)
		return result;
	active = true;
	// Not every processor implements setProcessing; hosts call it anyway.
	processor.setProcessing (true);
	processing = true;
	return kResultOk;
}

template <typename Sample>
void StereoRenderer<Sample>::stop ()
{
	if (processing)
		processor.setProcessing (false);
	processing = false;
	if (active)
		component.setActive (false);
	active = false;
}

template <typename Sample>
void StereoRenderer<Sample>::setParameter (ParamID id, ParamValue normalized)
{
	pending.emplace_back (id, normalized);
}

template <typename Sample>
tresult StereoRenderer<Sample>::process (const Sample* inLeft, const Sample* inRight,
                                         Sample* outLeft, Sample* outRight, int32 numSamples)
{
	if (!active || numSamples < 0 || numSamples > maxBlock)
		return kInvalidArgument;

	const auto n = static_cast<size_t> (numSamples);
	if (inLeft && inRight)
	{
		std::copy_n (inLeft, n, inputs[0].begin ());
		std::copy_n (inRight, n, inputs[1].begin ());
	}
	else
	{
		std::fill_n (inputs[0].begin (), n, Sample (0));
		std::fill_n (inputs[1].begin (), n, Sample (0));
	}

	inputChanges.setMaxParameters (static_cast<int32> (pending.size ()));
	inputChanges.clearQueue ();
	for (const auto& [id, value] : pending)
	{
		int32 queueIndex = 0;
		if (auto* queue = inputChanges.addParameterData (id, queueIndex))
		{
			int32 pointIndex = 0;
			queue->addPoint (0, value, pointIndex);
		}
	}
	pending.clear ();

	data.numSamples = numSamples;
	data.inputs[0].silenceFlags = 0;
	data.outputs[0].silenceFlags = 0;
	const tresult result = processor.process (data);

	std::copy_n (outputs[0].begin (), n, outLeft);
	std::copy_n (outputs[1].begin (), n, outRight);
	return result;
}

template class StereoRenderer<float>;
template class StereoRenderer<double>;

} // namespace Tarvine::Hosting
