#include "processor/enginelimits.h"
#include "processor/plugprocessor.h"

#include <cmath>
#include <limits>
#include <new>

namespace Steinberg {
namespace Vst {

namespace {

constexpr double kInputAllpassMs[4] = {4.771, 3.595, 12.735, 9.307};
// Left chain first and second stage, then the right chain's.
constexpr double kOutputAllpassMs[4] = {5.0, 1.7, 4.7, 1.9};

// The angular corner of a first-order section, held below half the sample
// rate so that the section stays stable at low rates. `w` is the angle as
// written for the ordinary case; only a corner beyond the bound replaces it.
double boundedAngle (double w, double cornerHz, double sampleRate, double r)
{
	if (!cornerNeedsBound (cornerHz, sampleRate))
		return w;
	return boundedCorner (cornerHz, sampleRate) * 6.283185307179586 * r;
}

// The line length N for a rate, or 0 when the rate gives no usable line:
// too low for a single sample, not a number, or so high that the shared line
// of 5N would not be indexable.
int32 lineLengthFor (double sampleRate)
{
	const double quarterSecond = sampleRate * 0.25;
	const double highest = static_cast<double> (std::numeric_limits<int32>::max () / 6);
	if (!(quarterSecond >= 1.0 && quarterSecond < highest))
		return 0;
	const int32 n0 = static_cast<int32> (quarterSecond);
	return n0 + static_cast<int32> (n0 * 0.001);
}

// Every line holds `count` frames except the shared comb input, which holds
// five times as many.
size_t lineCapacity (int32 line, int32 count)
{
	const int32 frames = line == PlugProcessor::kSharedLine ? 5 * count : count;
	return static_cast<size_t> (frames);
}

// A fixed all-pass delay table in ms and, from it, its lengths in samples.
void setFixedDelays (const double (&tableMs)[4], double (&delayMs)[4], int32 (&length)[4],
                     double samplesPerMs, int32 lineLength)
{
	for (int32 k = 0; k < 4; ++k)
	{
		delayMs[k] = tableMs[k];
		length[k] = boundedLength (delayMs[k] * samplesPerMs + 0.5, 1, lineLength);
	}
}

} // namespace

tresult PLUGIN_API PlugProcessor::setActive (TBool state)
{
	std::lock_guard<std::mutex> hostCall (hostCallMutex);
	if (!state)
	{
		stopEngine ();
		return AudioEffect::setActive (state);
	}

	// No process call runs now: a restored record that the audio thread has
	// not taken yet is applied here.
	takePendingState ();

	const int32 n = lineLengthFor (sampleRate);
	if (n == 0)
	{
		freeDelayLines ();
		active = false;
		return kInvalidArgument;
	}

	engineSampleRate = sampleRate;
	writeIndex = 0;
	sharedIndex = 0;
	samplesPerMs = sampleRate * 0.001;
	lineLength = n;

	freeDelayLines ();
	if (!allocateDelayLines (n))
	{
		active = false;
		return kOutOfMemory;
	}
	clearDelayLines (n);

	setInputAllpassDelays ();
	setOutputAllpassDelays ();

	lastPredelayMs = kNeverApplied;
	lastRvbTimeMs = kNeverApplied;
	lastSizeMs = kNeverApplied;
	rebuildPending = false;
	fadingIn = false;
	fadeGain = 1.0;
	fadeInStep = (1.0 / samplesPerMs) * 0.02;
	fadeOutStep = (1.0 / samplesPerMs) * 0.006666666666666667;
	// At least one sample of hold, so that the rebuild always comes.
	holdReload = boundedLength (samplesPerMs * 250.0 + 0.5, 1, std::numeric_limits<int32>::max ());
	holdCounter = holdReload;

	// One-pole smoothers that cover about 89 % of a step in smoothingMs.
	const double a = std::exp (-2.2 / (0.001 * smoothingMs * sampleRate));
	smootherGain = 1.0 - a;
	smootherPole = a;

	const double r = 1.0 / sampleRate;
	const double wFeedback = boundedAngle (9424.77796076938 * r, 1500.0, sampleRate, r);
	feedbackLpPole = firstOrderPole (wFeedback);
	feedbackLpGain = 0.5 - 0.5 * feedbackLpPole;

	const double wMid = boundedAngle (midHpCornerHz * 6.283185307179586 * r, midHpCornerHz, sampleRate, r);
	midHpPole = firstOrderPole (wMid);
	midHpGain = 0.5 * midHpPole + 0.5;

	const double wSide = boundedAngle (sideHpCornerHz * 6.283185307179586 * r, sideHpCornerHz, sampleRate, r);
	sideHpPole = firstOrderPole (wSide);
	sideHpGain = 0.5 * sideHpPole + 0.5;

	coefficientsValid = false;

	updateParameters (true);
	tailFollowsEngine ();

	active = true;
	return AudioEffect::setActive (state);
}

void PlugProcessor::stopEngine ()
{
	// A restored record still on its way to the audio thread is applied now:
	// while inactive, setState applies records itself, and an older one must
	// not arrive after them.
	takePendingState ();
	freeDelayLines ();
	active = false;
}

bool PlugProcessor::allocateDelayLines (int32 count)
{
	if (count <= 0 || count > std::numeric_limits<int32>::max () / 5)
		return false;
	for (int32 line = 0; line < kNumDelayLines; ++line)
	{
		delayLines[line] = new (std::nothrow) double[lineCapacity (line, count)];
		if (!delayLines[line])
		{
			freeDelayLines ();
			return false;
		}
	}
	return true;
}

void PlugProcessor::clearDelayLines (int32 count)
{
	for (int32 line = 0; line < kNumDelayLines; ++line)
	{
		if (!delayLines[line])
			continue;
		const size_t length = lineCapacity (line, count);
		for (size_t j = 0; j < length; ++j)
			delayLines[line][j] = 0.0;
	}
	inputLpState = {};
	feedbackLpState = {};
	midHpState = {};
	sideHpState = {};
}

void PlugProcessor::freeDelayLines ()
{
	for (double*& line : delayLines)
	{
		delete[] line;
		line = nullptr;
	}
}

void PlugProcessor::setInputAllpassDelays ()
{
	setFixedDelays (kInputAllpassMs, inputAllpassMs, inputAllpassLength, samplesPerMs, lineLength);
}

void PlugProcessor::setOutputAllpassDelays ()
{
	setFixedDelays (kOutputAllpassMs, outputAllpassMs, outputAllpassLength, samplesPerMs, lineLength);
}

} // namespace Vst
} // namespace Steinberg
