#pragma once

#include <vector>

namespace Tarvine::Render {

// A few seconds of test material for a reverb: single-sample clicks, one
// every half second, then a short burst of white noise, the same on every
// run. Both channels carry it, the clicks alternating in level between them
// so that the stereo image of the tail shows.
struct StereoSignal
{
	std::vector<float> left;
	std::vector<float> right;
	double sampleRate = 0.0;
};

StereoSignal makeDemoSignal (double sampleRate);

} // namespace Tarvine::Render
