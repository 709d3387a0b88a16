#pragma once

#include "processor/filterstate.h"
#include "processor/latestvalue.h"
#include "processor/paramstate.h"
#include "processor/taillength.h"

#include "public.sdk/source/vst/vstaudioeffect.h"

#include <mutex>

namespace Steinberg {
namespace Vst {

// The audio processor: one stereo bus in, one stereo bus out, and the whole
// reverb engine state inside the object.
class PlugProcessor : public AudioEffect
{
public:
	static constexpr int32 kNumDelayLines = 34;
	static constexpr int32 kNumCombs = 16;
	static constexpr int32 kSharedLine = 25;

	// Stored as the last applied values on activation: no derived value takes
	// it, so the first derivation afterwards sees every value changed.
	static constexpr double kNeverApplied = -987654321.0;

	// Fixed settings, held from construction so that even a host that
	// activates without initializing gets defined output.
	static constexpr double kSmoothingMs = 50.0;
	static constexpr double kMidHpCornerHz = 20.0;
	static constexpr double kSideHpCornerHz = 60.0;

	// The signs with which the weighted comb taps add up to the left and the
	// right comb sum: eight of each per row, and the rows orthogonal.
	static constexpr double kCombSignsLeft[kNumCombs] = {
		+1, -1, +1, -1, +1, +1, +1, +1, -1, +1, -1, +1, -1, -1, -1, -1};
	static constexpr double kCombSignsRight[kNumCombs] = {
		+1, +1, +1, +1, +1, -1, +1, -1, -1, -1, -1, -1, -1, +1, -1, +1};

	PlugProcessor ();
	~PlugProcessor () override;

	tresult PLUGIN_API initialize (FUnknown* context) override;
	tresult PLUGIN_API terminate () override;
	tresult PLUGIN_API setBusArrangements (SpeakerArrangement* inputs, int32 numIns,
	                                       SpeakerArrangement* outputs, int32 numOuts) override;
	tresult PLUGIN_API setupProcessing (ProcessSetup& setup) override;
	tresult PLUGIN_API canProcessSampleSize (int32 symbolicSampleSize) override;
	uint32 PLUGIN_API getTailSamples () override;
	tresult PLUGIN_API setActive (TBool state) override;
	tresult PLUGIN_API process (ProcessData& data) override;
	tresult PLUGIN_API setState (IBStream* state) override;
	tresult PLUGIN_API getState (IBStream* state) override;

	// Parameter record -> engine values; ends in updateCombNetwork.
	void updateParameters (bool activating);
	// The reverb time in ms for a Rvb Time value as the record holds it.
	static double reverbTimeMsFor (double rvbTimeValue);
	// Engine values -> input low-pass, predelay and comb settings. Lengths
	// change only when activating or while no rebuild waits for the crossfade.
	void updateCombNetwork (bool activating);

	// Delay memory, allocated on the main thread only. allocateDelayLines
	// reports false (with nothing allocated) when memory runs out.
	bool allocateDelayLines (int32 count);
	void clearDelayLines (int32 count);
	void freeDelayLines ();
	void setInputAllpassDelays ();
	void setOutputAllpassDelays ();

	// The per-sample loop over one block, for 32-bit and 64-bit buffers.
	void processBlockFloat (Sample32** inputs, Sample32** outputs, int32 numSamples);
	void processBlockDouble (Sample64** inputs, Sample64** outputs, int32 numSamples);
	void updateDiffusionCoefficients ();
	void stepCrossfade ();

	// The stereo reverb of one sample frame, wet and dry mixed. Defined
	// inline in reverbcore.h, so that the block loop compiles the whole frame.
	void processSample (double xL, double xR, double& yL, double& yR);
	void combBank (double x, double& cL, double& cR);

	// The engine state is public so that tests can check it against the
	// tables that define it; nothing else reaches into it.

	// parameter record
	ParamState paramState;

	// sample rate, Hz: the setup's, and the one the engine was activated at
	// (a new setup reaches a running engine only at its next activation)
	double sampleRate = 44100.0;
	double engineSampleRate = 44100.0;

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
	double midHpCornerHz = kMidHpCornerHz;
	double sideHpCornerHz = kSideHpCornerHz;
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
	double smoothingMs = kSmoothingMs;
	double smootherGain = 0.0;
	double smootherPole = 0.0;
	double levelSmootherState = 0.0;
	double mixSmootherState = 0.0;
	double diffusionSmootherState = 0.0;

	// comb feedback
	double combFeedback[kNumCombs] = {};

private:
	template <typename Sample>
	void processBlock (Sample** inputs, Sample** outputs, int32 numSamples);
	void updateAllpassCoefficients ();
	void rebuildAtTheSilentPoint ();
	bool processParameterChanges (IParameterChanges* changes);
	void bypassBlock (ProcessData& data);
	bool engineCanRun (const ProcessData& data) const;
	bool takePendingState ();
	void publishState ();
	void stopEngine ();
	void tailFollowsEngine ();

	// One parameter record with the number of the host's setState it follows.
	struct StateRecord
	{
		ParamState state;
		uint64 generation = 0;
	};

	// Threads. process runs on the audio thread and takes no lock.
	// getTailSamples may be called from any thread, even during a block or a
	// setState, and reads only the atomics in `tail`. Every other call
	// (initialize, terminate, setupProcessing, setActive, setState, getState)
	// holds hostCallMutex: hosts make them from their main thread or a worker
	// (some save projects on one), and the lock keeps any two of them apart.
	// The host calls setActive, initialize and terminate only while no block
	// runs; setState and getState may overlap a block.
	std::mutex hostCallMutex;

	// The two slots are all that setState, getState and process share while
	// the processor is active, each with exactly one writer and one reader:
	// pendingState carries a restored record from setState to the audio
	// thread, which takes it at the start of its next block (setActive,
	// initialize and terminate take it instead while no block runs);
	// publishedState carries the audio thread's record, after parameter
	// changes, back to getState alone.
	LatestValue<StateRecord> pendingState;
	LatestValue<StateRecord> publishedState;

	// What the tail length depends on, for any thread.
	TailLength tail;

	// Under hostCallMutex: true between a successful setActive (true) and
	// setActive (false), terminate or initialize; the record getState writes;
	// the number of setState calls that changed it.
	bool active = false;
	ParamState hostState;
	uint64 hostGeneration = 0;

	// Audio thread while active: the setState record paramState follows.
	uint64 engineGeneration = 0;

	// The smoothed diffusion the all-pass coefficients were last computed
	// from, as bits: equal bits give equal coefficients, so they are kept.
	uint64 coefficientDiffusionBits = 0;
	bool coefficientsValid = false;
};

} // namespace Vst
} // namespace Steinberg
