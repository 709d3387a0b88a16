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

	// Combs k and k + 8 share their loop and cancelling lengths, and so
	// their read positions.
	constexpr int32 kPair = kNumCombs / 2;
	double t[kNumCombs];
	for (int32 k = 0; k < kPair; ++k)
	{
		const int32 r = wrap (i, combLength[k], n);
		t[k] = comb[k][r];
		t[k + kPair] = comb[k + kPair][r];
	}

	double v[kNumCombs];
	for (int32 k = 0; k < kNumCombs; ++k)
		v[k] = combWeight[k] * t[k];

	// Added in index order, each from 0.0, so every build rounds alike.
	double left = 0.0;
	double right = 0.0;
	double sum = 0.0;
	for (int32 k = 0; k < kNumCombs; ++k)
	{
		left = left + kCombSignsLeft[k] * v[k];
		right = right + kCombSignsRight[k] * v[k];
		sum = sum + v[k];
	}
	cL = left;
	cR = right;

	const double f = lowpass (feedbackLpState, feedbackLpPole, feedbackLpGain, sum);
	const double s = ((f * (-0.02)) * smoothedDiffusion) * F + x;
	shared[iS] = s;

	// Each comb recirculates its tap and cancels its input of n_k echoes ago.
	// All sixteen values are formed before the first is stored: the comb
	// lines are not the shared line, so the order changes nothing, and the
	// compiler need not reload the gains after every store.
	double next[kNumCombs];
	for (int32 k = 0; k < kPair; ++k)
	{
		const double cancelled = shared[wrap (iS, combTruncLength[k], 5 * n)];
		next[k] = (combFeedback[k] * t[k] - combTruncGain[k] * cancelled) * F + s;
		const int32 kk = k + kPair;
		next[kk] = (combFeedback[kk] * t[kk] - combTruncGain[kk] * cancelled) * F + s;
	}
	for (int32 k = 0; k < kNumCombs; ++k)
		comb[k][i] = next[k];
}

inline void PlugProcessor::processSample (double xL, double xR, double& yL, double& yR)
{
	using namespace ReverbCore;
	const int32 i = writeIndex;
	const int32 n = lineLength;
	const double F = appliedFadeGain;
	double* const* line = delayLines;

	// The frame's settings, read before the first line is written.
	const double kI = inputLpPole, gI = inputLpGain;
	const int32 P = predelayLength;
	const int32 A1 = inputAllpassLength[0], A2 = inputAllpassLength[1];
	const int32 A3 = inputAllpassLength[2], A4 = inputAllpassLength[3];
	const double g1 = inputAllpassCoeff[0], g2 = inputAllpassCoeff[1];
	const double g3 = inputAllpassCoeff[2], g4 = inputAllpassCoeff[3];

	// inputLowpass
	const double m = xL + xR;
	const double u = lowpass (inputLpState, kI, gI, m);

	// predelayLine: written before it is read, so a length of 0 is no delay.
	line[0][i] = u * F;
	const double p = line[0][wrap (i, P, n)];

	// inputAllpasses
	const double a1 = allpass (p, A1, g1, line[1], line[2], i, n);
	const double a2 = allpass (a1, A2, g2, line[3], line[4], i, n);
	const double a3 = allpass (a2, A3, g3, line[5], line[6], i, n);
	const double a4 = allpass (a3, A4, g4, line[7], line[8], i, n);

	double cL;
	double cR;
	combBank (a4, cL, cR);

	// outputAllpasses: both chains use the left chain's two coefficients.
	const int32 B1 = outputAllpassLength[0], B2 = outputAllpassLength[1];
	const int32 B3 = outputAllpassLength[2], B4 = outputAllpassLength[3];
	const double gA = outputAllpassCoeff[0], gB = outputAllpassCoeff[1];
	const double kM = midHpPole, gM = midHpGain, kS = sideHpPole, gS = sideHpGain;
	const double wet = smoothedMix, dry = dryGain;
	const double oL1 = allpass (cL, B1, gA, line[26], line[27], i, n);
	const double oL2 = allpass (oL1, B2, gB, line[28], line[29], i, n);
	const double oR1 = allpass (cR, B3, gA, line[30], line[31], i, n);
	const double oR2 = allpass (oR1, B4, gB, line[32], line[33], i, n);

	// outputStage: mid/side high-pass, then the dry/wet mix.
	const double mid = oL2 + oR2;
	const double side = oL2 - oR2;
	const double mh = highpass (midHpState, kM, gM, mid);
	const double sh = highpass (sideHpState, kS, gS, side);
	const double L = (mh + sh) * 0.5;
	const double R = (mh - sh) * 0.5;
	yL = wet * L + dry * xL;
	yR = wet * R + dry * xR;
}

} // namespace Vst
} // namespace Steinberg
