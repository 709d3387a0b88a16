#include "enginehost.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace Tarvine::Test;

namespace {

// A fixed three-second render: an impulse over noise, blocks of changing
// size, and parameter moves that include a rebuild during another one's
// fade-out and a diffusion glide down to zero. Its output bits are pinned,
// so any change to the engine that alters a single bit shows here.
template <typename Sample>
uint64_t goldenRender (double sampleRate)
{
	EngineHost host (sampleRate, symbolicSizeOf<Sample> ());
	const auto frames = static_cast<int32> (sampleRate * 3.0);
	std::vector<double> left = noise (static_cast<size_t> (frames), 101, 0.3);
	std::vector<double> right = noise (static_cast<size_t> (frames), 202, 0.3);
	left[0] = 1.0;
	right[0] = 1.0;
	std::vector<Sample> inL = convert<Sample> (left), inR = convert<Sample> (right);
	std::vector<Sample> outL (inL.size ()), outR (inR.size ());

	struct Move
	{
		double atSecond;
		ParamID id;
		double value;
	};
	const Move moves[] = {
		{0.5, kParamDiffusion, 0.4}, {1.0, kParamPredelay, 0.3}, {1.3, kParamRvbTime, 0.8},
		{1.8, kParamMix, 0.7},       {1.8, kParamLevel, 0.6},    {2.2, kParamLPCut, 0.3},
		{2.5, kParamDiffusion, 0.0},
	};
	const int32 blockSizes[] = {64, 512, 1, 333, 4096, 7};
	size_t nextMove = 0;
	int32 start = 0;
	for (int32 block = 0; start < frames; ++block)
	{
		int32 n = blockSizes[block % 6];
		n = frames - start < n ? frames - start : n;
		while (nextMove < std::size (moves) && moves[nextMove].atSecond * sampleRate <= start)
		{
			host.change (moves[nextMove].id, moves[nextMove].value);
			++nextMove;
		}
		Sample* in[] = {inL.data () + start, inR.data () + start};
		Sample* out[] = {outL.data () + start, outR.data () + start};
		host.run (in, out, n);
		start += n;
	}
	return hashBits (outR, hashBits (outL));
}

TEST (GoldenRender, OutputBitsArePinned)
{
	const uint64_t wide44 = goldenRender<double> (44100.0);
	const uint64_t narrow48 = goldenRender<float> (48000.0);
	EXPECT_EQ (wide44, 0xe2b7652b7577880eull) << std::hex << wide44;
	EXPECT_EQ (narrow48, 0x64449d8892697369ull) << std::hex << narrow48;
}

} // namespace
