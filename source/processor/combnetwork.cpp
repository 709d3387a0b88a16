#include "processor/enginelimits.h"
#include "processor/plugprocessor.h"

#include <cmath>

namespace Steinberg {
namespace Vst {

namespace {

// Comb k and comb k + 8 share a base delay (ms), and therefore their loop
// and cancelling lengths; the comb bank reads each pair at one position.
constexpr double kCombBaseMs[PlugProcessor::kNumCombs] = {
	32.13723, 26.357152, 23.120309, 20.379699, 18.768045, 17.380903, 15.288217, 13.719974,
	32.13723, 26.357152, 23.120309, 20.379699, 18.768045, 17.380903, 15.288217, 13.719974,
};

// Decay per ms of loop delay, as base-2 exponents: a slow first group of
// eight (60 dB in 8.183 s) and a fast second group (60 dB in 4.537 s).
constexpr double kFirstGroupDecay = 0.0012178869376646931;
constexpr double kSecondGroupDecay = 0.0021964011793566382;

// base^exponent by repeated squaring, so every comb rounds the same way.
double integerPower (double base, int32 exponent)
{
	double result = 1.0;
	while (exponent > 0)
	{
		if (exponent & 1)
			result = result * base;
		exponent >>= 1;
		if (exponent == 0)
			break;
		base = base * base;
	}
	return result;
}

} // namespace

void PlugProcessor::updateCombNetwork (bool activating)
{
	const double nRvbTime = engineNormalized (paramState.values[3]);

	// Input low-pass: first-order bilinear at lpCutHz, with a gain at 0 Hz of
	// 2.0 at the shortest reverb time falling to 0.6 at the longest.
	const double cornerHz = boundedCorner (lpCutHz, engineSampleRate);
	const double w = cornerHz * 6.283185307179586 / engineSampleRate;
	inputLpPole = firstOrderPole (w);
	inputLpGain = (nRvbTime * (-1.4) + 2.0) * (0.5 - inputLpPole * 0.5);

	// Lengths move only where nothing can be heard of the move.
	const bool apply = activating || !rebuildPending;

	// Every length stays inside its line. The predelay line is written before
	// it is read, so it may be 0 but must stay below N; the other lines are
	// read before they are written and need at least one sample.
	const int32 n = lineLength;
	const int32 sharedLength = 5 * lineLength;

	if (apply)
		predelayLength = boundedLength (samplesPerMs * predelayMs + 0.5, 0, n - 1);

	// The size scale is the cube root of sizeMs / 100: 1.0 .. 2.0.
	const double sizeScale = std::cbrt (sizeMs * 10.0) * 0.1;
	double combMs[kNumCombs];
	for (int32 k = 0; k < kNumCombs; ++k)
		combMs[k] = kCombBaseMs[k] * sizeScale;

	if (apply)
	{
		for (int32 k = 0; k < kNumCombs; ++k)
			combLength[k] = boundedLength (samplesPerMs * combMs[k] + 0.5, 1, n);
	}

	for (int32 k = 0; k < kNumCombs; ++k)
	{
		const double decay = k < 8 ? kFirstGroupDecay : kSecondGroupDecay;
		combFeedback[k] = std::exp2 (combMs[k] * (-decay));
	}

	// Each comb's echo train is cut after the echo nearest the reverb time.
	for (int32 k = 0; k < kNumCombs; ++k)
	{
		const int32 echoes = static_cast<int32> (rvbTimeMs / combMs[k] + 0.5);
		if (apply)
		{
			const double tap = static_cast<double> (static_cast<int64> (echoes) * combLength[k]);
			combTruncLength[k] = boundedLength (tap, 1, sharedLength - 1);
		}
		combTruncGain[k] = integerPower (combFeedback[k], echoes);
	}

	// Output weights: each group of eight sums to 1.
	double a[kNumCombs];
	for (int32 k = 0; k < kNumCombs; ++k)
		a[k] = 1.0 - combFeedback[k];
	const double sumA = (((a[1] + a[3]) + a[5]) + a[7]) + (((a[0] + a[2]) + a[4]) + a[6]);
	const double sumB = (((a[9] + a[11]) + a[13]) + a[15]) + (((a[8] + a[10]) + a[12]) + a[14]);
	for (int32 k = 0; k < 8; ++k)
		combWeight[k] = a[k] * (1.0 / sumA);
	for (int32 k = 8; k < kNumCombs; ++k)
		combWeight[k] = a[k] * (1.0 / sumB);
}

} // namespace Vst
} // namespace Steinberg
