#pragma once

// The per-sample reverb core. It is included by the block loop only, so that
// the compiler sees the whole frame at once.

#include "processor/plugprocessor.h"

namespace Steinberg {
namespace Vst {

namespace ReverbCore {

// A read position `delay` frames behind `position` in a line of `length`.
inline int32 wrap (int32 position, int32 delay, int32 length)
{
	const int32 j = position - delay;
	return j < 0 ? j + length : j;
}

inline double lowpass (FilterState& state, double pole, double gain, double x)
{
	const double y = pole * state.y1 + gain * (x + state.x1);
	state.x1 = x;
	state.y1 = y;
	return y;
}

inline double highpass (FilterState& state, double pole, double gain, double x)
{
	const double y = pole * state.y1 + gain * (x - state.x1);
	state.x1 = x;
	state.y1 = y;
	return y;
}

// (z^-L - g) / (1 - g z^-L) over an input line X and an output line Y, both
// read before either is written.
inline double allpass (double a, int32 delay, double g, double* x, double* y, int32 i, int32 n)
{
	const int32 r = wrap (i, delay, n);
	const double out = g * (y[r] - a) + x[r];
	x[i] = a;
	y[i] = out;
	return out;
}

} // namespace ReverbCore

inline void PlugProcessor::combBank (double x, double& cL, double& cR)
{
	using namespace ReverbCore;
	const int32 i = writeIndex;
	const int32 iS = sharedIndex;
	const int32 n = lineLength;
	const double F = appliedFadeGain;
	double* const* comb = delayLines + 9;
	double* shared = delayLines[kSharedLine];

	double t[kNumCombs];
	for (int32 k = 0; k < kNumCombs; ++k)
		t[k] = comb[k][wrap (i, combLength[k], n)];

	double v[kNumCombs];
	for (int32 k = 0; k < kNumCombs; ++k)
		v[k] = combWeight[k] * t[k];

	cL = 0.0;
	cR = 0.0;
	double sum = 0.0;
	for (int32 k = 0; k < kNumCombs; ++k)
	{
		cL = cL + kCombSignsLeft[k] * v[k];
		cR = cR + kCombSignsRight[k] * v[k];
		sum = sum + v[k];
	}

	const double f = lowpass (feedbackLpState, feedbackLpPole, feedbackLpGain, sum);
	const double s = ((f * (-0.02)) * smoothedDiffusion) * F + x;
	shared[iS] = s;

	// Each comb recirculates its tap and cancels its input of n_k echoes ago.
	for (int32 k = 0; k < kNumCombs; ++k)
	{
		const double cancelled = shared[wrap (iS, combTruncLength[k], 5 * n)];
		comb[k][i] = (combFeedback[k] * t[k] - combTruncGain[k] * cancelled) * F + s;
	}
}

inline void PlugProcessor::processSample (double xL, double xR, double& yL, double& yR)
{
	using namespace ReverbCore;
	const int32 i = writeIndex;
	const int32 n = lineLength;
	const double F = appliedFadeGain;
	double* const* line = delayLines;

	// inputLowpass
	const double m = xL + xR;
	const double u = lowpass (inputLpState, inputLpPole, inputLpGain, m);

	// predelayLine: written before it is read, so a length of 0 is no delay.
	line[0][i] = u * F;
	const double p = line[0][wrap (i, predelayLength, n)];

	// inputAllpasses
	const double a1 = allpass (p, inputAllpassLength[0], inputAllpassCoeff[0], line[1], line[2], i, n);
	const double a2 = allpass (a1, inputAllpassLength[1], inputAllpassCoeff[1], line[3], line[4], i, n);
	const double a3 = allpass (a2, inputAllpassLength[2], inputAllpassCoeff[2], line[5], line[6], i, n);
	const double a4 = allpass (a3, inputAllpassLength[3], inputAllpassCoeff[3], line[7], line[8], i, n);

	double cL;
	double cR;
	combBank (a4, cL, cR);

	// outputAllpasses: both chains use the left chain's two coefficients.
	const double gA = outputAllpassCoeff[0];
	const double gB = outputAllpassCoeff[1];
	const double oL1 = allpass (cL, outputAllpassLength[0], gA, line[26], line[27], i, n);
	const double oL2 = allpass (oL1, outputAllpassLength[1], gB, line[28], line[29], i, n);
	const double oR1 = allpass (cR, outputAllpassLength[2], gA, line[30], line[31], i, n);
	const double oR2 = allpass (oR1, outputAllpassLength[3], gB, line[32], line[33], i, n);

	// outputStage: mid/side high-pass, then the dry/wet mix.
	const double mid = oL2 + oR2;
	const double side = oL2 - oR2;
	const double mh = highpass (midHpState, midHpPole, midHpGain, mid);
	const double sh = highpass (sideHpState, sideHpPole, sideHpGain, side);
	const double L = (mh + sh) * 0.5;
	const double R = (mh - sh) * 0.5;
	yL = smoothedMix * L + dryGain * xL;
	yR = smoothedMix * R + dryGain * xR;
}

} // namespace Vst
} // namespace Steinberg
