#pragma once

#include "processor/filterstate.h"
#include "processor/paramstate.h"

#include "public.sdk/source/vst/vstaudioeffect.h"

namespace Steinberg {
namespace Vst {

// The audio processor: one stereo bus in, one stereo bus out, and the whole
// reverb engine state inside the object.
class PlugProcessor : public AudioEffect
{
public:
	static constexpr int32 kNumDelayLines = 34;
	static constexpr int32 kNumCombs = 16;

	PlugProcessor ();
	~PlugProcessor () override;

	static FUnknown* createInstance (void* context);

	tresult PLUGIN_API initialize (FUnknown* context) override;
	tresult PLUGIN_API setBusArrangements (SpeakerArrangement* inputs, int32 numIns,
	                                       SpeakerArrangement* outputs, int32 numOuts) override;
	tresult PLUGIN_API setupProcessing (ProcessSetup& setup) override;
	tresult PLUGIN_API canProcessSampleSize (int32 symbolicSampleSize) override;
	uint32 PLUGIN_API getTailSamples () override;

	// The engine state is public so that tests can check it against the
	// tables that define it; nothing else reaches into it.

	// parameter record
	ParamState paramState;

	// sample rate, Hz
	double sampleRate = 44100.0;

	// values derived from the parameter record
	double mixTarget = 0.0;
	double predelayMs = 0.0;
	double sizeMs = 0.0;
	double rvbTimeMs = 0.0;
	double diffusionTarget = 0.0;
	double lpCutHz = 0.0;
	double levelTarget = 0.0;

	// smoothed values
	double smoothedMix = 0.0;
	double smoothedDiffusion = 0.0;
	double smoothedLevel = 0.0;

	// positions
	int32 writeIndex = 0;
	int32 sharedIndex = 0;
	int32 lineLength = 0;

	// dry gain, time base
	double dryGain = 0.0;
	double samplesPerMs = 0.0;

	// last applied values
	double lastPredelayMs = 0.0;
	double lastRvbTimeMs = 0.0;
	double lastSizeMs = 0.0;

	// delay lines, allocated while active
	double* delayLines[kNumDelayLines] = {};

	// coefficients and weights
	double inputAllpassCoeff[4] = {};
	double combTruncGain[kNumCombs] = {};
	double outputAllpassCoeff[2] = {};
	double combWeight[kNumCombs] = {};

	// fixed delays in ms
	double inputAllpassMs[4] = {};
	double outputAllpassMs[4] = {};

	// lengths in samples
	int32 predelayLength = 0;
	int32 inputAllpassLength[4] = {};
	int32 combLength[kNumCombs] = {};
	int32 combTruncLength[kNumCombs] = {};
	int32 outputAllpassLength[4] = {};

	// filters
	double inputLpGain = 0.0;
	double inputLpPole = 0.0;
	FilterState inputLpState;
	double feedbackLpGain = 0.0;
	double feedbackLpPole = 0.0;
	FilterState feedbackLpState;
	double midHpCornerHz = 0.0;
	double sideHpCornerHz = 0.0;
	double midHpGain = 0.0;
	double midHpPole = 0.0;
	FilterState midHpState;
	double sideHpGain = 0.0;
	double sideHpPole = 0.0;
	FilterState sideHpState;

	// rebuild crossfade
	bool rebuildPending = false;
	bool fadingIn = false;
	double fadeGain = 0.0;
	double appliedFadeGain = 0.0;
	double fadeInStep = 0.0;
	double fadeOutStep = 0.0;
	int32 holdCounter = 0;
	int32 holdReload = 0;

	// smoothers
	double smoothingMs = 0.0;
	double smootherGain = 0.0;
	double smootherPole = 0.0;
	double levelSmootherState = 0.0;
	double mixSmootherState = 0.0;
	double diffusionSmootherState = 0.0;

	// comb feedback
	double combFeedback[kNumCombs] = {};
};

} // namespace Vst
} // namespace Steinberg
