// Time per stereo frame of the whole processor, through IAudioProcessor::process,
// in the steady state and while Predelay, Rvb Time and Diffusion move. Besides
// the mean, the worst block of the run is reported: that is what decides
// whether a real-time deadline holds.

#include "enginehost.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using namespace Tarvine::Test;

enum Scenario
{
	kSteady = 0,
	kMoving = 1,
};

template <typename Sample>
void engineBenchmark (benchmark::State& state)
{
	const double sampleRate = static_cast<double> (state.range (0));
	const auto blockSize = static_cast<int32> (state.range (1));
	const auto scenario = static_cast<Scenario> (state.range (2));

	EngineHost host (sampleRate, symbolicSizeOf<Sample> ());
	const std::vector<double> source = noise (static_cast<size_t> (blockSize) * 64, 5, 0.5);
	std::vector<Sample> inL = convert<Sample> (source), inR = convert<Sample> (source);
	std::vector<Sample> outL (inL.size ()), outR (inR.size ());

	// Past the crossfade cycle of activation and the smoothers' glide.
	const std::vector<Sample> warmUp (static_cast<size_t> (sampleRate), Sample (0));
	host.render (warmUp, warmUp, 4096);

	double worstSeconds = 0.0;
	double totalSeconds = 0.0;
	int64_t block = 0;
	for (auto _ : state)
	{
		const size_t offset = static_cast<size_t> (block % 64) * static_cast<size_t> (blockSize);
		if (scenario == kMoving)
		{
			const double phase = static_cast<double> (block) * 0.01;
			host.change (kParamPredelay, 0.5 + 0.3 * std::sin (phase));
			host.change (kParamRvbTime, 0.5 + 0.4 * std::sin (phase * 0.7));
			host.change (kParamDiffusion, 0.5 + 0.4 * std::sin (phase * 1.3));
		}
		Sample* in[] = {inL.data () + offset, inR.data () + offset};
		Sample* out[] = {outL.data () + offset, outR.data () + offset};

		const auto start = std::chrono::steady_clock::now ();
		host.run (in, out, blockSize);
		const auto stop = std::chrono::steady_clock::now ();

		const double seconds = std::chrono::duration<double> (stop - start).count ();
		state.SetIterationTime (seconds);
		worstSeconds = std::max (worstSeconds, seconds);
		totalSeconds += seconds;
		benchmark::DoNotOptimize (outL[offset]);
		++block;
	}
	const double frames = static_cast<double> (block) * blockSize;
	state.counters["ns_per_frame"] = totalSeconds * 1e9 / frames;
	state.counters["worst_ns_per_frame"] = worstSeconds * 1e9 / blockSize;
	state.counters["worst_block_us"] = worstSeconds * 1e6;
	state.SetItemsProcessed (static_cast<int64_t> (frames));
}

void arguments (benchmark::internal::Benchmark* b)
{
	b->ArgNames ({"rate", "block", "moving"});
	for (int64_t rate : {44100, 48000, 96000})
		for (int64_t blockSize : {64, 512})
			for (int64_t scenario : {kSteady, kMoving})
				b->Args ({rate, blockSize, scenario});
	b->UseManualTime ();
	b->MinTime (0.5);
}

BENCHMARK_TEMPLATE (engineBenchmark, float)->Name ("float32")->Apply (arguments);
BENCHMARK_TEMPLATE (engineBenchmark, double)->Name ("float64")->Apply (arguments);

} // namespace

BENCHMARK_MAIN ();
