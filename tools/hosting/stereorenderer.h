#pragma once

#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <utility>
#include <vector>

namespace Tarvine::Hosting {

// Drives a stereo-in, stereo-out processor block by block with real
// ProcessData, 32-bit or 64-bit samples, and hands it parameter changes at
// the start of the next block, as a host's automation would.
template <typename Sample>
class StereoRenderer
{
public:
	StereoRenderer (Steinberg::Vst::IComponent& component, Steinberg::Vst::IAudioProcessor& processor);
	~StereoRenderer ();

	StereoRenderer (const StereoRenderer&) = delete;
	StereoRenderer& operator= (const StereoRenderer&) = delete;

	// Stereo arrangement, processing setup, activation. kResultOk or the
	// first refusal.
	Steinberg::tresult start (double sampleRate, Steinberg::int32 maxBlockSize);
	void stop ();

	// Queued for the next block, at sample offset 0.
	void setParameter (Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized);

	// One block of `numSamples` (at most the block size given to start);
	// the input may be null for silence. Returns what process returned.
	Steinberg::tresult process (const Sample* inLeft, const Sample* inRight, Sample* outLeft,
	                            Sample* outRight, Steinberg::int32 numSamples);

private:
	Steinberg::Vst::IComponent& component;
	Steinberg::Vst::IAudioProcessor& processor;
	Steinberg::Vst::HostProcessData data;
	Steinberg::Vst::ParameterChanges inputChanges;
	std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>> pending;
	std::vector<Sample> inputs[2];
	std::vector<Sample> outputs[2];
	Steinberg::int32 maxBlock = 0;
	bool active = false;
	bool processing = false;
};

extern template class StereoRenderer<float>;
extern template class StereoRenderer<double>;

} // namespace Tarvine::Hosting
