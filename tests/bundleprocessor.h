#pragma once

#include "bundletest.h"
#include "entry/plugids.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

namespace Tarvine::Test {

// The bundle's processor alone, created through the factory and initialized
// without a host context, driven by hand through its interfaces.
struct BundleProcessor : BundleFixture
{
	Steinberg::IPtr<Steinberg::Vst::IComponent> component;
	Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor;

	void SetUp () override
	{
		BundleFixture::SetUp ();
		component = createProcessor ();
		ASSERT_TRUE (component);
		processor = Steinberg::U::cast<Steinberg::Vst::IAudioProcessor> (component);
		ASSERT_TRUE (processor);
		ASSERT_EQ (component->initialize (nullptr), Steinberg::kResultOk);
	}

	void TearDown () override
	{
		if (!component)
			return;
		component->setActive (false);
		component->terminate ();
	}

	// A further processor of the bundle, not initialized.
	Steinberg::IPtr<Steinberg::Vst::IComponent> createProcessor () const
	{
		return factory ().createInstance<Steinberg::Vst::IComponent> (
		    VST3::UID::fromTUID (Steinberg::Vst::PlugProcessorUID.toTUID ()));
	}

	// A real-time setup for 32-bit blocks of up to `maxBlock` frames.
	Steinberg::tresult setup (double sampleRate, Steinberg::int32 maxBlock)
	{
		Steinberg::Vst::ProcessSetup setup {Steinberg::Vst::kRealtime, Steinberg::Vst::kSample32, maxBlock,
		                                    sampleRate};
		return processor->setupProcessing (setup);
	}
};

// One block of 32-bit stereo buffers through `processor`, with `numInputs`
// input buses (0 or 1) and the input bus array present or not.
inline Steinberg::tresult processStereo (Steinberg::Vst::IAudioProcessor& processor, float** inputs, float** outputs,
                                         Steinberg::int32 numSamples, Steinberg::Vst::IParameterChanges* changes,
                                         Steinberg::int32 numInputs = 1, bool inputArray = true)
{
	using namespace Steinberg::Vst;
	AudioBusBuffers inBus {};
	inBus.numChannels = 2;
	inBus.channelBuffers32 = inputs;
	AudioBusBuffers outBus {};
	outBus.numChannels = 2;
	outBus.channelBuffers32 = outputs;

	ProcessData data {};
	data.processMode = kRealtime;
	data.symbolicSampleSize = kSample32;
	data.numSamples = numSamples;
	data.numInputs = numInputs;
	data.numOutputs = 1;
	data.inputs = inputArray ? &inBus : nullptr;
	data.outputs = &outBus;
	data.inputParameterChanges = changes;
	return processor.process (data);
}

} // namespace Tarvine::Test
