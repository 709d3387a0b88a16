#include "processor/enginelimits.h"
#include "processor/plugprocessor.h"

#include <cmath>

namespace Steinberg {
namespace Vst {

namespace {

// IEEE comparison in which an unordered pair (a NaN on either side) counts
// as equal, so that it never flags a rebuild.
bool differs (double a, double b)
{
	return a < b || a > b;
}

} // namespace

double PlugProcessor::reverbTimeMsFor (double rvbTimeValue)
{
	return engineNormalized (rvbTimeValue) * 1000.0 + 200.0;
}

void PlugProcessor::updateParameters (bool activating)
{
	// The record keeps what the host sent; the engine works from values in
	// [0, 1], so that no input can take a length beyond its delay line.
	const double nLevel = engineNormalized (paramState.values[0]);
	const double nMix = engineNormalized (paramState.values[1]);
	const double nPredelay = engineNormalized (paramState.values[2]);
	const double nRvbTime = engineNormalized (paramState.values[3]);
	const double nDiffusion = engineNormalized (paramState.values[4]);
	const double nLPCut = engineNormalized (paramState.values[5]);

	mixTarget = nMix;

	// 250^n ms, with a jump to no predelay at all at n = 0.
	predelayMs = std::exp2 (7.965784284662086 * nPredelay);
	if (nPredelay == 0.0)
		predelayMs = 0.0;

	sizeMs = nRvbTime * 700.0 + 100.0;
	rvbTimeMs = reverbTimeMsFor (paramState.values[3]);

	// 10^n / 10, and none at all at n = 0.
	diffusionTarget = std::exp2 (3.321928094887362 * nDiffusion) * 0.1;
	if (nDiffusion == 0.0)
		diffusionTarget = 0.0;

	lpCutHz = std::exp2 (nLPCut * 5.0) * 500.0;

	// -36 + 48 n dB as a linear gain.
	levelTarget = std::exp2 (nLevel * 7.97262742772967 + (-5.979470570797252));

	// New delay lengths wait for the silent point of the crossfade.
	if (differs (predelayMs, lastPredelayMs))
	{
		rebuildPending = true;
		lastPredelayMs = predelayMs;
	}
	if (differs (rvbTimeMs, lastRvbTimeMs))
	{
		rebuildPending = true;
		lastRvbTimeMs = rvbTimeMs;
	}
	if (differs (sizeMs, lastSizeMs))
	{
		rebuildPending = true;
		lastSizeMs = sizeMs;
	}

	if (activating)
	{
		// Start at the targets: the next smoothing step returns each target
		// itself, so nothing glides up from zero.
		appliedFadeGain = fadeGain;
		smoothedMix = mixTarget;
		smoothedLevel = levelTarget;
		smoothedDiffusion = diffusionTarget;
		levelSmootherState = levelTarget * (1.0 - smootherGain) * (1.0 / smootherPole);
		mixSmootherState = mixTarget * (1.0 - smootherGain) * (1.0 / smootherPole);
		diffusionSmootherState = diffusionTarget * (1.0 - smootherGain) * (1.0 / smootherPole);
	}

	updateCombNetwork (activating);
}

} // namespace Vst
} // namespace Steinberg
