#include "processor/enginelimits.h"
#include "processor/plugprocessor.h"

#include "entry/plugids.h"

#include <iterator>

namespace Steinberg {
namespace Vst {

namespace {

// Default normalized values, in the order of ParamState::values. Predelay and
// LPCut are the logarithms of their plain defaults (20 ms of 1..250 ms, 5 kHz
// of 0.5..16 kHz) rounded to six places; saved projects depend on these bits.
constexpr double kDefaultValues[] = {
	0.75,     // Level: 0 dB
	0.5,      // Mix: 50 %
	0.542562, // Predelay: 20 ms
	0.15,     // Rvb Time: 0.35 s
	1.0,      // Diffusion: 100 %
	0.664386, // LPCut: 5000 Hz
};

} // namespace

PlugProcessor::PlugProcessor ()
{
	setControllerClass (PlugControllerUID);
	for (size_t i = 0; i < std::size (kDefaultValues); ++i)
		paramState.values[i] = kDefaultValues[i];
	hostState = paramState;
}

PlugProcessor::~PlugProcessor ()
{
	// A host may release an active processor without switching it off.
	freeDelayLines ();
}

tresult PLUGIN_API PlugProcessor::initialize (FUnknown* context)
{
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	if (AudioEffect::initialize (context) != kResultOk)
		return kResultFalse;

	// A host may initialize again without terminate (allowed while it gave no
	// context) or without switching the processor off first: either way the
	// processor starts over inactive, with one bus each way.
	stopEngine ();
	removeAudioBusses ();

	// No exception may reach the host. Without memory for the buses the
	// processor is left uninitialized, so that the host may try again.
	try
	{
		addAudioInput (STR16 ("AudioInput"), SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
		addAudioOutput (STR16 ("AudioOutput"), SpeakerArr::kStereo, kMain, BusInfo::kDefaultActive);
	}
	catch (...)
	{
		AudioEffect::terminate (); // removes the buses as well
		return kOutOfMemory;
	}

	smoothingMs = kSmoothingMs;
	midHpCornerHz = kMidHpCornerHz;
	sideHpCornerHz = kSideHpCornerHz;
	sampleRate = 44100.0;
	tail.setSampleRate (sampleRate);
	writeIndex = 0;
	sharedIndex = 0;
	lineLength = 0;
	return kResultOk;
}

tresult PLUGIN_API PlugProcessor::terminate ()
{
	// A host may terminate an active processor without switching it off.
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	stopEngine ();
	return AudioEffect::terminate ();
}

tresult PLUGIN_API PlugProcessor::setBusArrangements (SpeakerArrangement* inputs, int32 numIns,
                                                      SpeakerArrangement* outputs, int32 numOuts)
{
	// A count without its array is the host's mistake; nothing is read then.
	if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
		return kInvalidArgument;
	// The engine is stereo in and out; any two-channel layout will do.
	if (numIns > 0 && SpeakerArr::getChannelCount (inputs[0]) != 2)
		return kResultFalse;
	if (numOuts > 0 && SpeakerArr::getChannelCount (outputs[0]) != 2)
		return kResultFalse;
	return AudioEffect::setBusArrangements (inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API PlugProcessor::setupProcessing (ProcessSetup& setup)
{
	// A rate the engine cannot run at is refused before anything is taken,
	// so that the previous setup stands whole.
	if (!isAcceptedSampleRate (setup.sampleRate))
		return kInvalidArgument;
	// The tail length follows the new rate at once, even when the sample size
	// is refused; the engine takes it up at its next activation.
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	sampleRate = setup.sampleRate;
	tail.setSampleRate (sampleRate);
	return AudioEffect::setupProcessing (setup);
}

tresult PLUGIN_API PlugProcessor::canProcessSampleSize (int32 symbolicSampleSize)
{
	return static_cast<uint32> (symbolicSampleSize) <= kSample64 ? kResultTrue : kResultFalse;
}

uint32 PLUGIN_API PlugProcessor::getTailSamples ()
{
	// Half a second beyond the reverb time of the newest record: a record
	// restored a moment ago counts at once, though the audio thread takes it
	// only with its next block. Hosts ask on any thread, the audio thread
	// included, so this reads nothing but the tail's atomics.
	return tail.samples ();
}

} // namespace Vst
} // namespace Steinberg
