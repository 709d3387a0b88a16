#include "demosignal.h"

#include <cstddef>
#include <random>

namespace Tarvine::Render {

StereoSignal makeDemoSignal (double sampleRate)
{
	constexpr double kSeconds = 4.0;
	constexpr double kFirstClick = 0.5;
	constexpr double kClickInterval = 0.5;
	constexpr int kClicks = 4;
	constexpr double kNoiseStart = 2.75;
	constexpr double kNoiseLength = 0.1;
	constexpr float kClickLevel = 0.8f;
	constexpr float kNoiseLevel = 0.25f;

	const auto at = [sampleRate] (double seconds) { return static_cast<size_t> (seconds * sampleRate); };

	StereoSignal signal;
	signal.sampleRate = sampleRate;
	signal.left.assign (at (kSeconds), 0.0f);
	signal.right.assign (at (kSeconds), 0.0f);

	for (int click = 0; click < kClicks; ++click)
	{
		const size_t pos = at (kFirstClick + click * kClickInterval);
		const bool leftLouder = click % 2 == 0;
		signal.left[pos] = leftLouder ? kClickLevel : kClickLevel * 0.5f;
		signal.right[pos] = leftLouder ? kClickLevel * 0.5f : kClickLevel;
	}

	std::minstd_rand random (1);
	std::uniform_real_distribution<float> noise (-kNoiseLevel, kNoiseLevel);
	for (size_t pos = at (kNoiseStart); pos < at (kNoiseStart + kNoiseLength); ++pos)
	{
		signal.left[pos] = noise (random);
		signal.right[pos] = noise (random);
	}
	return signal;
}

} // namespace Tarvine::Render
