#include "demosignal.h"

#include <algorithm>

namespace Tarvine::Render {

namespace {

constexpr double kSeconds = 4.0;
constexpr double kFirstClick = 0.5;
constexpr double kClickInterval = 0.5;
constexpr double kNoiseStart = 2.75;
constexpr double kNoiseLength = 0.1;
constexpr float kClickLevel = 0.8f;
constexpr float kNoiseLevel = 0.25f;

} // namespace

DemoSignal::DemoSignal (double sampleRate)
: rate (sampleRate),
  length (frameAt (kSeconds)),
  noiseStart (frameAt (kNoiseStart)),
  noiseEnd (frameAt (kNoiseStart + kNoiseLength)),
  noise (-kNoiseLevel, kNoiseLevel)
{
	for (int click = 0; click < kClicks; ++click)
		clicks[static_cast<size_t> (click)] = frameAt (kFirstClick + click * kClickInterval);
}

size_t DemoSignal::frameAt (double seconds) const
{
	return static_cast<size_t> (seconds * rate);
}

bool DemoSignal::read (float* left, float* right, size_t frames, size_t& framesRead, std::string&)
{
	framesRead = std::min (frames, length - position);
	for (size_t i = 0; i < framesRead; ++i, ++position)
	{
		left[i] = 0.0f;
		right[i] = 0.0f;
		if (position >= noiseStart && position < noiseEnd)
		{
			// Left before right, frame by frame: the burst is the same
			// whatever the size of the reads.
			left[i] = noise (random);
			right[i] = noise (random);
			continue;
		}
		const auto click = std::find (clicks.begin (), clicks.end (), position);
		if (click != clicks.end ())
		{
			const bool leftLouder = (click - clicks.begin ()) % 2 == 0;
			left[i] = leftLouder ? kClickLevel : kClickLevel * 0.5f;
			right[i] = leftLouder ? kClickLevel * 0.5f : kClickLevel;
		}
	}
	return true;
}

} // namespace Tarvine::Render
