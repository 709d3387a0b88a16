#pragma once

#include "stereosource.h"

#include <array>
#include <cstddef>
#include <random>

namespace Tarvine::Render {

// A few seconds of test material for a reverb: single-sample clicks, one
// every half second, then a short burst of white noise, the same on every
// run. Both channels carry it, the clicks alternating in level between them
// so that the stereo image of the tail shows. Made as it is read, so a high
// sample rate costs no memory.
class DemoSignal final : public StereoSource
{
public:
	explicit DemoSignal (double sampleRate);

	double sampleRate () const override { return rate; }
	uint64_t lengthBound () const override { return length; }
	bool read (float* left, float* right, size_t frames, size_t& framesRead,
	           std::string& error) override;

private:
	static constexpr int kClicks = 4;

	size_t frameAt (double seconds) const;

	double rate;
	size_t length;
	std::array<size_t, kClicks> clicks {};
	size_t noiseStart;
	size_t noiseEnd;
	size_t position = 0;
	std::minstd_rand random {1};
	std::uniform_real_distribution<float> noise;
};

} // namespace Tarvine::Render
