#include "enginehost.h"
#include "enginestate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using namespace Tarvine::Test;

namespace {

// Right after activation every comb tap reads zeros for the first
// P + min D frames: the output is the dry path alone, exactly.
TEST (BlockProcessing, WetOutputIsSilentForTheFirstFramesAfterActivation)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	const std::vector<double> input = noise (1652, 5, 0.9);
	for (int32 i = 0; i < 1652; ++i)
	{
		const auto [left, right] = host.frame (input[i], 0.25 * input[i]);
		const double dryL = (p.dryGain * (input[i] + 1e-18)) * p.smoothedLevel;
		const double dryR = (p.dryGain * (0.25 * input[i] + 1e-18)) * p.smoothedLevel;
		if (i <= 1650)
		{
			ASSERT_EQ (left, dryL) << "frame " << i;
			ASSERT_EQ (right, dryR) << "frame " << i;
		}
		else
		{
			EXPECT_NE (left, dryL) << "frame " << i;
		}
	}
}

// One whole cycle from fadeGain 1: fade-out, silent hold with the rebuild in
// its last frame, fade-in. The frame that reaches 0 is the first of the hold.
TEST (BlockProcessing, CrossfadeCycleLengths)
{
	struct Case
	{
		double rate;
		int32 fadeOut, hold, fadeIn;
	};
	const Case cases[] = {
		{44100.0, 6616, 11025, 2205},
		{48000.0, 7200, 12000, 2401},
		{96000.0, 14400, 24000, 4800},
	};
	for (const Case& c : cases)
	{
		EngineHost host (c.rate);
		const PlugProcessor& p = *host.object;
		std::vector<double> gain;
		int32 rebuildFrame = -1;
		for (int32 i = 0; i < c.fadeOut + c.hold + c.fadeIn + 10; ++i)
		{
			const bool pendingBefore = p.rebuildPending;
			host.frame (0.0, 0.0);
			gain.push_back (p.appliedFadeGain);
			if (pendingBefore && !p.rebuildPending)
				rebuildFrame = i;
		}
		int32 firstZero = 0;
		while (gain[firstZero] > 0.0)
			++firstZero;
		int32 lastZero = firstZero;
		while (gain[lastZero + 1] == 0.0)
			++lastZero;
		int32 backAtOne = lastZero;
		while (gain[backAtOne] < 1.0)
			++backAtOne;

		EXPECT_EQ (firstZero + 1, c.fadeOut) << c.rate;
		EXPECT_EQ (lastZero - firstZero + 1, c.hold) << c.rate;
		EXPECT_EQ (rebuildFrame, lastZero) << c.rate;
		EXPECT_EQ (backAtOne - lastZero, c.fadeIn) << c.rate;
		EXPECT_FALSE (p.fadingIn);
		for (size_t i = backAtOne; i < gain.size (); ++i)
			EXPECT_EQ (gain[i], 1.0) << c.rate << " frame " << i;
	}
}

TEST (BlockProcessing, DiffusionCoefficients)
{
	struct Case
	{
		double diffusion;
		double input[4];
		double output[2];
	};
	const Case cases[] = {
		{1.0, {0.8, 0.8, 0.5563, 0.6514}, {0.7943, 0.8}},
		{0.1, {0.1111, 0.1910, 0.0028, 0.0138}, {0.1000, 0.4571}},
		{0.0, {0, 0, 0, 0}, {0, 0}},
	};
	EngineHost host;
	PlugProcessor& p = *host.object;
	for (const Case& c : cases)
	{
		p.smoothedDiffusion = c.diffusion;
		p.updateDiffusionCoefficients ();
		for (int k = 0; k < 4; ++k)
			EXPECT_NEAR (p.inputAllpassCoeff[k], c.input[k], 0.5e-4) << c.diffusion << " input " << k;
		for (int j = 0; j < 2; ++j)
			EXPECT_NEAR (p.outputAllpassCoeff[j], c.output[j], 0.5e-4) << c.diffusion << " output " << j;
	}
}

// The engine computes in doubles for both sample sizes: fed the same values,
// the 32-bit output is the 64-bit output rounded to float.
TEST (BlockProcessing, ThirtyTwoBitOutputIsTheSixtyFourBitOutputRounded)
{
	const std::vector<double> left = noise (30000, 21, 0.9);
	const std::vector<double> right = noise (30000, 22, 0.9);
	EngineHost wide (44100.0, kSample64);
	EngineHost narrow (44100.0, kSample32);
	const auto w = wide.render (left, right, 333);
	const auto n = narrow.render (convert<float> (left), convert<float> (right), 333);
	for (size_t i = 0; i < left.size (); ++i)
	{
		ASSERT_EQ (static_cast<float> (w.first[i]), n.first[i]) << i;
		ASSERT_EQ (static_cast<float> (w.second[i]), n.second[i]) << i;
	}
	EXPECT_EQ (wide.object->feedbackLpState.y1, narrow.object->feedbackLpState.y1);
	EXPECT_EQ (wide.object->smoothedLevel, narrow.object->smoothedLevel);
	for (int line = 0; line < PlugProcessor::kNumDelayLines; ++line)
	{
		const int32 length = (line == PlugProcessor::kSharedLine ? 5 : 1) * wide.object->lineLength;
		EXPECT_EQ (std::memcmp (wide.object->delayLines[line], narrow.object->delayLines[line],
		                        length * sizeof (double)),
		           0)
		    << line;
	}
}

// Only the last point of a queue counts, from the block's first sample.
TEST (ParameterChanges, LastPointOfAQueueCountsForTheWholeBlock)
{
	EngineHost host;
	host.change (kParamMix, 0.1, 0);
	host.change (kParamMix, 0.9, 3);
	host.change (kParamMix, 0.3, 7);
	host.frame (0.0, 0.0);
	EXPECT_EQ (host.object->paramState.values[1], 0.3);
	EXPECT_EQ (host.object->mixTarget, 0.3);
}

// Every queue, whatever its id, derives the engine values again.
TEST (ParameterChanges, AnUnknownIdChangesNoValueButDerivesAgain)
{
	EngineHost host;
	const ParamState before = host.object->paramState;
	host.object->mixTarget = 123.0;
	host.change (99, 0.25);
	host.flush ();
	EXPECT_EQ (host.object->mixTarget, 0.5);
	for (int i = 0; i < ParamState::kNumValues; ++i)
		EXPECT_EQ (host.object->paramState.values[i], before.values[i]) << i;
}

TEST (ParameterChanges, BypassTurnsOnAboveOneHalf)
{
	struct Case
	{
		double value;
		bool bypass;
	};
	const Case cases[] = {{0.0, false}, {0.5, false}, {0.5000001, true}, {1.0, true},
	                      {std::numeric_limits<double>::quiet_NaN (), false}};
	for (const Case& c : cases)
	{
		EngineHost host;
		host.change (kParamBypass, c.value);
		host.flush ();
		EXPECT_EQ (host.object->paramState.bypass, c.bypass) << c.value;
	}
}

// A parameter flush (no samples) and a block without buses apply the changes
// and leave the audio alone.
TEST (ParameterChanges, ApplyWithoutAudio)
{
	EngineHost host;
	host.change (kParamLevel, 0.25);
	host.flush ();
	EXPECT_EQ (host.object->paramState.values[0], 0.25);

	host.change (kParamLevel, 0.5);
	ProcessData data {};
	data.numSamples = 64;
	data.inputParameterChanges = &host.changes;
	EXPECT_EQ (host.processor->process (data), kResultOk);
	EXPECT_EQ (host.object->paramState.values[0], 0.5);
	EXPECT_EQ (host.object->writeIndex, 0);
}

// Bypass copies the input exactly and leaves in-place buffers alone; the
// engine keeps its state meanwhile, so the tail plays on afterwards exactly
// as if the bypassed blocks had never been.
TEST (Bypass, CopiesExactlyAndFreezesTheEngine)
{
	const std::vector<double> input = noise (20000, 9, 0.9);
	EngineHost reference;
	EngineHost bypassed;
	const auto expected = reference.render (input, input, 500);

	std::vector<double> firstHalf (input.begin (), input.begin () + 10000);
	std::vector<double> secondHalf (input.begin () + 10000, input.end ());
	const auto a = bypassed.render (firstHalf, firstHalf, 500);

	bypassed.change (kParamBypass, 1.0);
	const std::vector<double> other = noise (3000, 10, 0.9);
	const auto copied = bypassed.render (other, other, 500);
	EXPECT_EQ (hashBits (copied.first), hashBits (other));
	EXPECT_EQ (hashBits (copied.second), hashBits (other));
	EXPECT_EQ (bypassed.object->writeIndex, 10000);

	std::vector<double> inPlace = other;
	double* channels[] = {inPlace.data (), inPlace.data ()};
	EXPECT_EQ (bypassed.run (channels, channels, 3000), kResultOk);
	EXPECT_EQ (hashBits (inPlace), hashBits (other));

	bypassed.change (kParamBypass, 0.0);
	const auto b = bypassed.render (secondHalf, secondHalf, 500);
	for (size_t i = 0; i < secondHalf.size (); ++i)
		ASSERT_EQ (b.first[i], expected.first[i + 10000]) << i;
}

// The block's own sample size says which buffers the host handed over, even
// when it differs from the setup's: the copy never runs past them.
TEST (Bypass, CopiesByTheBlocksSampleSize)
{
	for (int32 setupSize : {kSample32, kSample64})
	{
		EngineHost host (44100.0, setupSize);
		host.change (kParamBypass, 1.0);
		host.flush ();

		const int32 n = 64;
		std::vector<float> in32 (n), out32 (n + 16, -7.0f);
		std::vector<double> in64 (n), out64 (n + 16, -7.0);
		for (int32 i = 0; i < n; ++i)
		{
			in32[i] = static_cast<float> (i) * 0.25f;
			in64[i] = static_cast<double> (i) * 0.125;
		}
		float* fin[] = {in32.data (), in32.data ()};
		float* fout[] = {out32.data (), out32.data ()};
		host.run (fin, fout, n);
		double* din[] = {in64.data (), in64.data ()};
		double* dout[] = {out64.data (), out64.data ()};
		host.run (din, dout, n);
		for (int32 i = 0; i < n; ++i)
		{
			EXPECT_EQ (out32[i], in32[i]) << setupSize << " at " << i;
			EXPECT_EQ (out64[i], in64[i]) << setupSize << " at " << i;
		}
		for (int32 i = n; i < n + 16; ++i)
		{
			EXPECT_EQ (out32[i], -7.0f) << setupSize << " past the end at " << i;
			EXPECT_EQ (out64[i], -7.0) << setupSize << " past the end at " << i;
		}
	}
}

// Buffers a host should never send still get an answer: kResultOk, silence
// where there is an output to write, nothing read that is not there.
TEST (BlockProcessing, MissingBuffersGiveSilence)
{
	struct Case
	{
		const char* what;
		int32 channels;
		bool nullArray;
		bool nullChannel;
	};
	const Case cases[] = {
		{"one channel", 1, false, false},
		{"no channel array", 2, true, false},
		{"a null channel", 2, false, true},
	};
	for (const Case& c : cases)
	{
		EngineHost host;
		std::vector<double> inL (32, 0.5), inR (32, 0.5), outL (32, 9.0), outR (32, 9.0);
		double* in[] = {inL.data (), c.nullChannel ? nullptr : inR.data ()};
		double* out[] = {outL.data (), outR.data ()};
		EXPECT_EQ (host.run (c.nullArray ? nullptr : in, out, 32, c.channels), kResultOk) << c.what;
		for (int32 i = 0; i < 32; ++i)
			ASSERT_EQ (outL[i], 0.0) << c.what;
		EXPECT_EQ (host.object->writeIndex, 0) << c.what;
	}

	EngineHost bypassed;
	bypassed.change (kParamBypass, 1.0);
	std::vector<double> outL (32, 9.0), outR (32, 9.0);
	double* outs64[] = {outL.data (), outR.data ()};
	EXPECT_EQ (bypassed.run<double> (nullptr, outs64, 32), kResultOk);
	EXPECT_EQ (outL[0], 0.0) << "bypass without input channels";
	EXPECT_EQ (outR[31], 0.0) << "bypass without input channels";

	EngineHost inactive (44100.0, kSample32, false);
	std::vector<float> in (32, 0.5f), out (32, 9.0f);
	float* ins[] = {in.data (), in.data ()};
	float* outs[] = {out.data (), out.data ()};
	EXPECT_EQ (inactive.run (ins, outs, 32), kResultOk);
	EXPECT_EQ (out[0], 0.0f);
	EXPECT_EQ (out[31], 0.0f);
}

// A block without an input bus, whether the host says so with the count or
// with a null bus array, still has an output for the host to hear: silence,
// bypassed or not, and the engine does not advance.
TEST (BlockProcessing, NoInputBusGivesSilence)
{
	struct Case
	{
		const char* what;
		int32 numInputs;
		bool nullInputs;
	};
	const Case cases[] = {
		{"no input bus, no bus array", 0, true},
		{"no input bus, a bus array", 0, false},
		{"one input bus, no bus array", 1, true},
	};
	for (bool bypass : {false, true})
	{
		for (const Case& c : cases)
		{
			const std::string what = std::string (c.what) + (bypass ? ", bypassed" : "");
			EngineHost host (44100.0, kSample32);
			host.change (kParamBypass, bypass ? 1.0 : 0.0);
			host.flush ();

			std::vector<float> inL (32, 0.5f), inR (32, 0.5f), outL (32, 9.0f), outR (32, 9.0f);
			float* in[] = {inL.data (), inR.data ()};
			float* out[] = {outL.data (), outR.data ()};
			AudioBusBuffers inBus {};
			AudioBusBuffers outBus {};
			inBus.numChannels = 2;
			inBus.channelBuffers32 = in;
			outBus.numChannels = 2;
			outBus.channelBuffers32 = out;

			ProcessData data {};
			data.symbolicSampleSize = kSample32;
			data.numSamples = 32;
			data.numInputs = c.numInputs;
			data.numOutputs = 1;
			data.inputs = c.nullInputs ? nullptr : &inBus;
			data.outputs = &outBus;
			EXPECT_EQ (host.processor->process (data), kResultOk) << what;
			for (int32 i = 0; i < 32; ++i)
			{
				ASSERT_EQ (outL[i], 0.0f) << what << " at " << i;
				ASSERT_EQ (outR[i], 0.0f) << what << " at " << i;
			}
			EXPECT_EQ (host.object->writeIndex, 0) << what;
		}
	}
}

// A non-finite input sample enters the engine as silence: afterwards the
// processor sounds exactly like one that was given 0 there.
TEST (BlockProcessing, NonFiniteInputEntersAsSilence)
{
	std::vector<double> clean = noise (8000, 13, 0.9);
	std::vector<double> poisoned = clean;
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	const double inf = std::numeric_limits<double>::infinity ();
	const size_t bad[] = {100, 101, 2000, 5000};
	poisoned[bad[0]] = nan;
	poisoned[bad[1]] = inf;
	poisoned[bad[2]] = -inf;
	poisoned[bad[3]] = nan;
	for (size_t i : bad)
		clean[i] = 0.0;

	EngineHost a;
	EngineHost b;
	const auto fromPoisoned = a.render (poisoned, poisoned, 256);
	const auto fromClean = b.render (clean, clean, 256);
	EXPECT_EQ (hashBits (fromPoisoned.first), hashBits (fromClean.first));
	EXPECT_EQ (hashBits (fromPoisoned.second), hashBits (fromClean.second));
}

// A finite input far beyond any audio, up to the largest double, is held at
// a bound instead of overflowing the engine: the output stays finite, and
// once the tail has passed it is what the same music gives without it.
TEST (BlockProcessing, HugeInputLeavesNoTraceAfterTheTail)
{
	constexpr double kRate = 44100.0;
	const double huge = std::numeric_limits<double>::max ();
	std::vector<double> music (6 * 44100);
	for (size_t i = 0; i < music.size (); ++i)
		music[i] = 0.5 * std::sin (2.0 * 3.141592653589793 * 440.0 * static_cast<double> (i) / kRate);
	std::vector<double> loud = music;
	for (size_t i = 4410; i < 4410 + 64; ++i)
		loud[i] = i % 2 ? huge : -huge;
	std::vector<double> quiet = music;
	for (size_t i = 4410; i < 4410 + 64; ++i)
		quiet[i] = 0.0;

	EngineHost a;
	EngineHost b;
	const size_t tailEnd = 4410 + 64 + a.processor->getTailSamples ();
	const auto fromLoud = a.render (loud, loud, 64);
	const auto fromQuiet = b.render (quiet, quiet, 64);
	double largestAfterTheTail = 0.0;
	for (size_t i = 0; i < music.size (); ++i)
	{
		ASSERT_TRUE (std::isfinite (fromLoud.first[i]) && std::isfinite (fromLoud.second[i])) << i;
		if (i < tailEnd)
			continue;
		largestAfterTheTail = std::max (largestAfterTheTail, std::abs (fromLoud.first[i] - fromQuiet.first[i]));
		largestAfterTheTail = std::max (largestAfterTheTail, std::abs (fromLoud.second[i] - fromQuiet.second[i]));
	}
	EXPECT_LT (largestAfterTheTail, 1e-3) << "the music itself peaks near 0.25";
}

// Crossed, in-place or separate: whichever input buffers the host hands back
// as outputs, bypass gives each output channel its own input channel.
TEST (Bypass, CopiesRightWhateverTheBuffersAlias)
{
	struct Case
	{
		const char* what;
		int32 leftOut;  // 0, 1: the left or right input buffer; 2, 3: a buffer of its own
		int32 rightOut;
	};
	const Case cases[] = {
		{"separate", 2, 3},
		{"in place", 0, 1},
		{"crossed", 1, 0},
		{"left output on the right input", 1, 3},
		{"right output on the left input", 2, 0},
	};
	for (const Case& c : cases)
	{
		EngineHost host;
		host.change (kParamBypass, 1.0);
		host.flush ();
		std::vector<double> buffers[] = {std::vector<double> (64, 0.25), std::vector<double> (64, -0.75),
		                                 std::vector<double> (64, 9.0), std::vector<double> (64, 9.0)};
		double* in[] = {buffers[0].data (), buffers[1].data ()};
		double* out[] = {buffers[c.leftOut].data (), buffers[c.rightOut].data ()};
		ASSERT_EQ (host.run (in, out, 64), kResultOk) << c.what;
		for (int32 i = 0; i < 64; ++i)
		{
			ASSERT_EQ (out[0][i], 0.25) << c.what << " left at " << i;
			ASSERT_EQ (out[1][i], -0.75) << c.what << " right at " << i;
		}
	}
}

// An output bus with more channels than the stereo pair: the engine writes
// the pair as it would alone and silence past it; bypass gives every channel
// its own input.
TEST (BlockProcessing, ChannelsPastThePair)
{
	const std::vector<double> input = noise (512, 21, 0.9);
	EngineHost stereo;
	const auto expected = stereo.render (input, input, 512);
	for (bool bypass : {false, true})
	{
		EngineHost host;
		host.change (kParamBypass, bypass ? 1.0 : 0.0);
		host.flush ();
		std::vector<double> in3 (512, 0.125), in4 (512, -0.5);
		std::vector<double> outs[4];
		for (auto& o : outs)
			o.assign (512, 9.0);
		std::vector<double> inL = input, inR = input;
		double* in[] = {inL.data (), inR.data (), in3.data (), in4.data ()};
		double* out[] = {outs[0].data (), outs[1].data (), outs[2].data (), outs[3].data ()};
		ASSERT_EQ (host.run (in, out, 512, 4), kResultOk);
		EXPECT_EQ (hashBits (outs[0]), hashBits (bypass ? input : expected.first)) << bypass;
		EXPECT_EQ (hashBits (outs[1]), hashBits (bypass ? input : expected.second)) << bypass;
		EXPECT_EQ (outs[2], bypass ? in3 : std::vector<double> (512, 0.0)) << bypass;
		EXPECT_EQ (outs[3], bypass ? in4 : std::vector<double> (512, 0.0)) << bypass;
	}
}

// In-place buffers give the same output as separate ones.
TEST (BlockProcessing, InPlaceBuffers)
{
	const std::vector<double> input = noise (5000, 17, 0.9);
	EngineHost separate;
	EngineHost inPlace;
	const auto expected = separate.render (input, input, 128);
	std::vector<double> left = input, right = input;
	for (int32 start = 0; start < 5000; start += 128)
	{
		const int32 n = 5000 - start < 128 ? 5000 - start : 128;
		double* channels[] = {left.data () + start, right.data () + start};
		inPlace.run (channels, channels, n);
	}
	EXPECT_EQ (hashBits (left), hashBits (expected.first));
	EXPECT_EQ (hashBits (right), hashBits (expected.second));
}

TEST (BlockProcessing, IndicesWrapAtTheirLineLengths)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	const int32 n = p.lineLength;
	const std::vector<double> silence (static_cast<size_t> (n - 1), 0.0);
	host.render (silence, silence, 4096);
	EXPECT_EQ (p.writeIndex, n - 1);
	host.frame (0.0, 0.0);
	EXPECT_EQ (p.writeIndex, 0);
	EXPECT_EQ (p.sharedIndex, n);
	const std::vector<double> more (static_cast<size_t> (4 * n - 1), 0.0);
	host.render (more, more, 4096);
	EXPECT_EQ (p.sharedIndex, 5 * n - 1);
	host.frame (0.0, 0.0);
	EXPECT_EQ (p.sharedIndex, 0);
	EXPECT_EQ (p.writeIndex, 0);
}

// Changes of Predelay or Rvb Time during a fade-out or a hold lead to one
// rebuild with the latest values; other parameters never start a crossfade.
TEST (Crossfade, ChangesDuringOneCycleLeadToOneRebuild)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	const std::vector<double> silence (22050, 0.0);
	host.render (silence, silence, 1024);
	ASSERT_FALSE (p.rebuildPending);

	host.change (kParamMix, 0.2);
	host.change (kParamLevel, 0.6);
	host.change (kParamDiffusion, 0.4);
	host.change (kParamLPCut, 0.2);
	host.flush ();
	EXPECT_FALSE (p.rebuildPending);

	int32 rebuilds = 0;
	for (int32 i = 0; i < 22000; ++i)
	{
		if (i == 0)
			host.change (kParamPredelay, 0.1);
		if (i == 3000)
			host.change (kParamRvbTime, 0.9);
		if (i == 9000)
			host.change (kParamPredelay, 0.2);
		const bool before = p.rebuildPending;
		host.frame (0.0, 0.0);
		rebuilds += before && !p.rebuildPending ? 1 : 0;
	}
	EXPECT_EQ (rebuilds, 1);
	EXPECT_EQ (p.fadeGain, 1.0);
	EXPECT_EQ (p.predelayLength, static_cast<int32> (44.1 * std::exp2 (7.965784284662086 * 0.2) + 0.5));
	EXPECT_EQ (p.lastRvbTimeMs, 0.9 * 1000.0 + 200.0);
}

} // namespace
