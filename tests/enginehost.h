#pragma once

#include "processor/paramids.h"
#include "processor/plugprocessor.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

namespace Tarvine::Test {

using namespace Steinberg;
using namespace Steinberg::Vst;

template <typename Sample>
constexpr int32 symbolicSizeOf ()
{
	return std::is_same<Sample, float>::value ? kSample32 : kSample64;
}

// A minimal host: one processor, set up and driven through its VST3
// interfaces, with the SDK's parameter-change queues and real buffers.
class EngineHost
{
public:
	IPtr<PlugProcessor> object = owned (new PlugProcessor);
	IPtr<IComponent> component = U::cast<IComponent> (static_cast<IAudioProcessor*> (object.get ()));
	IPtr<IAudioProcessor> processor = U::cast<IAudioProcessor> (component);
	ParameterChanges changes {16};

	explicit EngineHost (double sampleRate = 44100.0, int32 sampleSize = kSample64, bool activate = true)
	{
		component->initialize (nullptr);
		SpeakerArrangement in = SpeakerArr::kStereo;
		SpeakerArrangement out = SpeakerArr::kStereo;
		processor->setBusArrangements (&in, 1, &out, 1);
		setup (sampleRate, sampleSize);
		if (activate)
			activationResult = component->setActive (true);
	}

	~EngineHost ()
	{
		component->setActive (false);
		component->terminate ();
	}

	EngineHost (const EngineHost&) = delete;
	EngineHost& operator= (const EngineHost&) = delete;

	tresult setup (double sampleRate, int32 sampleSize)
	{
		ProcessSetup setup {kRealtime, sampleSize, 8192, sampleRate};
		return processor->setupProcessing (setup);
	}

	// Queues `value` for `id` in the next block, as a point at `offset`.
	void change (ParamID id, ParamValue value, int32 offset = 0)
	{
		int32 index = 0;
		IParamValueQueue* queue = nullptr;
		for (int32 q = 0; q < changes.getParameterCount (); ++q)
		{
			if (changes.getParameterData (q)->getParameterId () == id)
				queue = changes.getParameterData (q);
		}
		if (!queue)
			queue = changes.addParameterData (id, index);
		queue->addPoint (offset, value, index);
	}

	// One block through IAudioProcessor::process; the queued changes go with
	// it and are cleared afterwards.
	template <typename Sample>
	tresult run (Sample** inputs, Sample** outputs, int32 numSamples, int32 numChannels = 2)
	{
		AudioBusBuffers in {};
		AudioBusBuffers out {};
		in.numChannels = numChannels;
		out.numChannels = numChannels;
		assign (in, inputs);
		assign (out, outputs);

		ProcessData data {};
		data.processMode = kRealtime;
		data.symbolicSampleSize = symbolicSizeOf<Sample> ();
		data.numSamples = numSamples;
		data.numInputs = 1;
		data.numOutputs = 1;
		data.inputs = &in;
		data.outputs = &out;
		data.inputParameterChanges = &changes;
		const tresult result = processor->process (data);
		changes.clearQueue ();
		return result;
	}

	// A parameter flush: a block of no samples that carries the queued changes.
	tresult flush ()
	{
		double* none[] = {nullptr, nullptr};
		return run (none, none, 0);
	}

	// Runs a stereo signal through in blocks of `blockSize` (the last one may
	// be shorter) and returns the output, channel by channel.
	template <typename Sample>
	std::pair<std::vector<Sample>, std::vector<Sample>> render (const std::vector<Sample>& left,
	                                                          const std::vector<Sample>& right,
	                                                          int32 blockSize)
	{
		std::vector<Sample> inL = left, inR = right;
		std::vector<Sample> outL (left.size ()), outR (left.size ());
		const auto total = static_cast<int32> (left.size ());
		for (int32 start = 0; start < total; start += blockSize)
		{
			const int32 n = total - start < blockSize ? total - start : blockSize;
			Sample* in[] = {inL.data () + start, inR.data () + start};
			Sample* out[] = {outL.data () + start, outR.data () + start};
			run (in, out, n);
		}
		return {outL, outR};
	}

	// One frame in, one frame out.
	template <typename Sample>
	std::pair<Sample, Sample> frame (Sample left, Sample right)
	{
		Sample outL = 0, outR = 0;
		Sample* in[] = {&left, &right};
		Sample* out[] = {&outL, &outR};
		run (in, out, 1);
		return {outL, outR};
	}

	tresult activationResult = kResultFalse;

private:
	static void assign (AudioBusBuffers& bus, float** channels) { bus.channelBuffers32 = channels; }
	static void assign (AudioBusBuffers& bus, double** channels) { bus.channelBuffers64 = channels; }
};

// The bits of a double, for exact comparisons that also hold for NaN.
inline uint64_t bitsOf (double x)
{
	uint64_t bits;
	std::memcpy (&bits, &x, sizeof bits);
	return bits;
}

// FNV-1a over the bits of a signal, to pin an output exactly.
template <typename Sample>
uint64_t hashBits (const std::vector<Sample>& signal, uint64_t hash = 14695981039346656037ull)
{
	const auto* bytes = reinterpret_cast<const unsigned char*> (signal.data ());
	for (size_t i = 0; i < signal.size () * sizeof (Sample); ++i)
	{
		hash ^= bytes[i];
		hash *= 1099511628211ull;
	}
	return hash;
}

// A fixed pseudo-random signal in [-amplitude, amplitude], exact as floats.
inline std::vector<double> noise (size_t length, uint32_t seed, double amplitude)
{
	std::vector<double> signal (length);
	uint32_t state = seed;
	for (double& x : signal)
	{
		state = state * 1664525u + 1013904223u;
		const float unit = static_cast<float> (state >> 8) / 16777216.0f; // 24 bits: exact in a float
		x = static_cast<double> (static_cast<float> ((unit * 2.0f - 1.0f) * static_cast<float> (amplitude)));
	}
	return signal;
}

template <typename To, typename From>
std::vector<To> convert (const std::vector<From>& signal)
{
	return std::vector<To> (signal.begin (), signal.end ());
}

} // namespace Tarvine::Test
