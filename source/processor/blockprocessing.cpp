#include "processor/enginelimits.h"
#include "processor/paramids.h"
#include "processor/plugprocessor.h"
#include "processor/reverbcore.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <cmath>
#include <cstring>

namespace Steinberg {
namespace Vst {

namespace {

// Keeps the recursive parts of the engine clear of subnormal numbers.
constexpr double kDenormalGuard = 1e-18;

// A non-finite input sample would stay in the filters and lines until the
// next activation: it enters the engine as silence instead. A finite one is
// held within kLoudestInput, so that no sum inside the engine can overflow.
inline double engineInput (double x)
{
	if (!(x - x == 0.0))
		return 0.0;
	if (x > kLoudestInput)
		return kLoudestInput;
	return x < -kLoudestInput ? -kLoudestInput : x;
}

int32 bytesPerSample (int32 symbolicSampleSize)
{
	return symbolicSampleSize == kSample32 ? 4 : 8;
}

// The block's channel pointers; the block's own sample size says which
// member of the buffer union is meant.
void** channelsOf (const AudioBusBuffers& bus, int32 symbolicSampleSize)
{
	return symbolicSampleSize == kSample32 ? reinterpret_cast<void**> (bus.channelBuffers32)
	                                       : reinterpret_cast<void**> (bus.channelBuffers64);
}

// Silence on every output channel the block provides from `firstChannel` on.
void silenceOutputs (ProcessData& data, int32 firstChannel = 0)
{
	if (data.numOutputs <= 0 || !data.outputs)
		return;
	const AudioBusBuffers& out = data.outputs[0];
	void** channels = channelsOf (out, data.symbolicSampleSize);
	if (!channels)
		return;
	const size_t bytes = static_cast<size_t> (data.numSamples) * bytesPerSample (data.symbolicSampleSize);
	for (int32 c = firstChannel; c < out.numChannels; ++c)
	{
		if (channels[c])
			std::memset (channels[c], 0, bytes);
	}
}

// Output channel c is input channel c, or silence where the input has no
// such channel. A host may hand over the same buffers for input and output,
// even crossed (the left output on the right input), so each frame of the
// stereo pair is read whole before it is written; channels past the pair
// follow, each from its own input.
template <typename Sample>
void passThrough (Sample** in, int32 inChannels, Sample** out, int32 outChannels, int32 numSamples)
{
	if (!out)
		return;
	auto input = [&] (int32 c) -> const Sample* { return in && c < inChannels ? in[c] : nullptr; };
	Sample* const outL = outChannels > 0 ? out[0] : nullptr;
	Sample* const outR = outChannels > 1 ? out[1] : nullptr;
	const Sample* const inL = input (0);
	const Sample* const inR = input (1);
	for (int32 i = 0; i < numSamples; ++i)
	{
		const Sample left = inL ? inL[i] : Sample ();
		const Sample right = inR ? inR[i] : Sample ();
		if (outL)
			outL[i] = left;
		if (outR)
			outR[i] = right;
	}
	const size_t bytes = static_cast<size_t> (numSamples) * sizeof (Sample);
	for (int32 c = 2; c < outChannels; ++c)
	{
		if (!out[c])
			continue;
		if (const Sample* from = input (c))
			std::memmove (out[c], from, bytes);
		else
			std::memset (out[c], 0, bytes);
	}
}

} // namespace

tresult PLUGIN_API PlugProcessor::process (ProcessData& data)
{
	// A restored record from the main thread comes first; the host's
	// parameter changes of this block then apply on top of it.
	bool recordChanged = takePendingState ();
	if (data.inputParameterChanges && processParameterChanges (data.inputParameterChanges))
		recordChanged = true;
	if (recordChanged)
		publishState ();

	if (data.numOutputs <= 0 || data.numSamples <= 0)
		return kResultOk;

	// Without an input bus there is nothing to pass through or to reverberate;
	// the host still hears its output buffer, so it gets silence, not
	// whatever the buffer held.
	if (data.numInputs <= 0 || !data.inputs)
	{
		silenceOutputs (data);
		return kResultOk;
	}

	if (paramState.bypass)
	{
		bypassBlock (data);
		return kResultOk;
	}

	if (!engineCanRun (data))
	{
		silenceOutputs (data);
		return kResultOk;
	}

	if (data.symbolicSampleSize == kSample32)
		processBlockFloat (data.inputs[0].channelBuffers32, data.outputs[0].channelBuffers32, data.numSamples);
	else
		processBlockDouble (data.inputs[0].channelBuffers64, data.outputs[0].channelBuffers64, data.numSamples);
	// The engine writes the stereo pair; channels past it get silence.
	silenceOutputs (data, 2);
	return kResultOk;
}

bool PlugProcessor::processParameterChanges (IParameterChanges* changes)
{
	const int32 count = changes->getParameterCount ();
	bool derived = false;
	for (int32 index = 0; index < count; ++index)
	{
		IParamValueQueue* queue = changes->getParameterData (index);
		if (!queue)
			continue;
		const int32 pointCount = queue->getPointCount ();
		const ParamID id = queue->getParameterId ();

		// Only the block's last point counts, from the block's first sample.
		int32 sampleOffset = 0;
		ParamValue value = 0.0;
		if (id < kNumParams && pointCount > 0 &&
		    queue->getPoint (pointCount - 1, sampleOffset, value) == kResultOk)
		{
			if (id == kParamBypass)
				paramState.bypass = value > 0.5;
			else
				paramState.values[id - 1] = value;
		}
		updateParameters (false);
		derived = true;
	}
	return derived;
}

bool PlugProcessor::engineCanRun (const ProcessData& data) const
{
	for (const double* line : delayLines)
	{
		if (!line)
			return false;
	}
	if (!data.inputs || !data.outputs)
		return false;
	const AudioBusBuffers& in = data.inputs[0];
	const AudioBusBuffers& out = data.outputs[0];
	if (in.numChannels < 2 || out.numChannels < 2)
		return false;
	void** inChannels = channelsOf (in, data.symbolicSampleSize);
	void** outChannels = channelsOf (out, data.symbolicSampleSize);
	return inChannels && outChannels && inChannels[0] && inChannels[1] && outChannels[0] && outChannels[1];
}

void PlugProcessor::bypassBlock (ProcessData& data)
{
	// The input passes unchanged, sample for sample. The engine keeps its
	// state, so a frozen tail plays on when bypass ends.
	if (!data.outputs)
		return;
	const AudioBusBuffers& out = data.outputs[0];
	const AudioBusBuffers* in = data.inputs ? &data.inputs[0] : nullptr;
	if (data.symbolicSampleSize == kSample32)
		passThrough (in ? in->channelBuffers32 : nullptr, in ? in->numChannels : 0, out.channelBuffers32,
		             out.numChannels, data.numSamples);
	else
		passThrough (in ? in->channelBuffers64 : nullptr, in ? in->numChannels : 0, out.channelBuffers64,
		             out.numChannels, data.numSamples);
}

void PlugProcessor::processBlockFloat (Sample32** inputs, Sample32** outputs, int32 numSamples)
{
	processBlock (inputs, outputs, numSamples);
}

void PlugProcessor::processBlockDouble (Sample64** inputs, Sample64** outputs, int32 numSamples)
{
	processBlock (inputs, outputs, numSamples);
}

template <typename Sample>
void PlugProcessor::processBlock (Sample** inputs, Sample** outputs, int32 numSamples)
{
	if (numSamples <= 0)
		return;
	const Sample* inL = inputs[0];
	const Sample* inR = inputs[1];
	Sample* outL = outputs[0];
	Sample* outR = outputs[1];
	const int32 sharedLength = 5 * lineLength;

	for (int32 i = 0; i < numSamples; ++i)
	{
		const double xL = engineInput (static_cast<double> (inL[i])) + kDenormalGuard;
		const double xR = engineInput (static_cast<double> (inR[i])) + kDenormalGuard;

		const double a = smootherPole;
		const double b = smootherGain;
		levelSmootherState = a * levelSmootherState + b * levelTarget;
		mixSmootherState = a * mixSmootherState + b * mixTarget;
		smoothedMix = mixSmootherState;
		diffusionSmootherState = a * diffusionSmootherState + b * diffusionTarget;
		smoothedDiffusion = diffusionSmootherState;
		smoothedLevel = levelSmootherState;

		updateDiffusionCoefficients ();
		stepCrossfade ();
		appliedFadeGain = fadeGain;

		double yL;
		double yR;
		processSample (xL, xR, yL, yR);
		outL[i] = static_cast<Sample> (yL * smoothedLevel);
		outR[i] = static_cast<Sample> (yR * smoothedLevel);

		writeIndex = writeIndex + 1 == lineLength ? 0 : writeIndex + 1;
		sharedIndex = sharedIndex + 1 == sharedLength ? 0 : sharedIndex + 1;
	}
}

void PlugProcessor::updateDiffusionCoefficients ()
{
	dryGain = 1.0 - smoothedMix;

	// The coefficients depend on the smoothed diffusion alone: while its bits
	// stand still, the ones already computed are the ones the maths gives.
	uint64 bits;
	std::memcpy (&bits, &smoothedDiffusion, sizeof bits);
	if (coefficientsValid && bits == coefficientDiffusionBits)
		return;
	coefficientDiffusionBits = bits;
	coefficientsValid = true;
	updateAllpassCoefficients ();
}

void PlugProcessor::updateAllpassCoefficients ()
{
	// g = 10^(-3 d / T): a signal passing once every d ms falls 60 dB in T ms.
	const double T = 150.0 * smoothedDiffusion;
	for (int32 k = 0; k < 4; ++k)
		inputAllpassCoeff[k] = std::exp2 ((-9.965784284662087 * inputAllpassMs[k]) * (1.0 / T));
	for (int32 j = 0; j < 2; ++j)
		outputAllpassCoeff[j] = std::exp2 ((-9.965784284662087 * outputAllpassMs[j]) / T);
	for (double& g : inputAllpassCoeff)
		g = g > 0.8 ? 0.8 : g;
	for (double& g : outputAllpassCoeff)
		g = g > 0.8 ? 0.8 : g;
}

void PlugProcessor::stepCrossfade ()
{
	if (rebuildPending)
	{
		fadingIn = false;
		fadeGain = fadeGain - fadeOutStep;
		if (!(fadeGain > 0.0))
		{
			fadeGain = 0.0;
			holdCounter = holdCounter - 1;
			if (holdCounter == 0)
				rebuildAtTheSilentPoint ();
		}
	}
	else if (fadingIn)
	{
		fadeGain = fadeGain + fadeInStep;
		if (fadeGain > 1.0)
		{
			fadeGain = 1.0;
			fadingIn = false;
		}
	}
}

void PlugProcessor::rebuildAtTheSilentPoint ()
{
	// Nothing enters or recirculates now: the new lengths serve from this
	// very frame, and the shared line starts empty.
	holdCounter = holdReload;
	rebuildPending = false;
	fadingIn = true;
	updateCombNetwork (false);
	double* shared = delayLines[kSharedLine];
	const int32 sharedLength = 5 * lineLength;
	for (int32 j = 0; j < sharedLength; ++j)
		shared[j] = 0.0;
}

} // namespace Vst
} // namespace Steinberg
