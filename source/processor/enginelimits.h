#pragma once

#include "pluginterfaces/base/ftypes.h"

namespace Steinberg {
namespace Vst {

// The engine's guards against values a host or a preset may deliver but the
// mappings are not made for. Each one returns its argument unchanged for the
// values the mappings are made for, so those keep their exact results.

// A normalized value as the engine uses it: clamped into [0, 1], NaN as 0.
inline double engineNormalized (double value)
{
	if (!(value > 0.0))
		return 0.0;
	return value < 1.0 ? value : 1.0;
}

// The highest sample rate accepted. The delay memory takes 76 bytes per
// hertz (38 lines of a quarter second of doubles), about 117 MB here: 32
// times 48 kHz, above every rate in use and above the highest the SDK's
// validator tries (1,234,567.8 Hz), and far below a request that could
// exhaust a host's memory or stall its main thread while it is cleared.
constexpr double kHighestSampleRate = 1536000.0;

// The lowest sample rate accepted: a quarter second of line must hold at
// least one sample.
constexpr double kLowestSampleRate = 4.0;

// A sample rate the engine can be set up for: from the lowest to the highest.
// NaN fails both tests.
inline bool isAcceptedSampleRate (double sampleRate)
{
	return sampleRate >= kLowestSampleRate && sampleRate <= kHighestSampleRate;
}

// The largest input magnitude that enters the engine; larger finite samples
// are held at it. At 1024 times full scale (+60 dBFS) it is far above any
// audio, yet it keeps every sum in the engine far from overflow, and what
// such a sample leaves in the network's long, faint decay after the tail
// (about -140 dB of the input) stays below hearing.
constexpr double kLoudestInput = 1024.0;

// int(x) for a length that must lie in [lowest, highest]: x is the rounded
// count before truncation (ms x samplesPerMs + 0.5). Values outside the range
// (or NaN) take the nearest bound instead of an out-of-range conversion.
// Before the first activation there are no lines, and the range may be empty.
inline int32 boundedLength (double x, int32 lowest, int32 highest)
{
	if (highest < lowest)
		highest = lowest;
	if (!(x >= static_cast<double> (lowest)))
		return lowest;
	if (!(x < static_cast<double> (highest) + 1.0))
		return highest;
	return static_cast<int32> (x);
}

// A first-order section is stable only below half the sample rate; its
// corner is held at 45 % of the rate, which no corner reaches at 44.1 kHz
// and above.
constexpr double kHighestCornerFraction = 0.45;

inline bool cornerNeedsBound (double cornerHz, double sampleRate)
{
	return cornerHz > sampleRate * kHighestCornerFraction;
}

inline double boundedCorner (double cornerHz, double sampleRate)
{
	return cornerNeedsBound (cornerHz, sampleRate) ? sampleRate * kHighestCornerFraction : cornerHz;
}

} // namespace Vst
} // namespace Steinberg
