#include "enginehost.h"
#include "enginestate.h"
#include "teststreams.h"

#include "processor/enginelimits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Tarvine::Test;

namespace {

tresult restore (EngineHost& host, const ParamState& state)
{
	MemoryStream stream;
	streamOf (state, stream);
	return host.component->setState (&stream);
}

TEST (Activation, LineAndAllpassLengthsAtCommonRates)
{
	struct Case
	{
		double rate;
		int32 lineLength;
		int32 sharedLength;
		int32 input[4];
		int32 output[4];
		int32 holdReload;
	};
	const Case cases[] = {
		{44100.0, 11025 + 11, 55180, {210, 159, 562, 410}, {221, 75, 207, 84}, 11025},
		{48000.0, 12000 + 12, 60060, {229, 173, 611, 447}, {240, 82, 226, 91}, 12000},
		{96000.0, 24000 + 24, 120120, {458, 345, 1223, 893}, {480, 163, 451, 182}, 24000},
	};
	for (const Case& c : cases)
	{
		EngineHost host (c.rate);
		ASSERT_EQ (host.activationResult, kResultOk);
		const PlugProcessor& p = *host.object;
		EXPECT_EQ (p.samplesPerMs, c.rate * 0.001);
		EXPECT_EQ (p.lineLength, c.lineLength) << c.rate;
		EXPECT_EQ (5 * p.lineLength, c.sharedLength) << c.rate;
		for (int k = 0; k < 4; ++k)
		{
			EXPECT_EQ (p.inputAllpassLength[k], c.input[k]) << c.rate << " input " << k;
			EXPECT_EQ (p.outputAllpassLength[k], c.output[k]) << c.rate << " output " << k;
		}
		EXPECT_EQ (p.holdReload, c.holdReload) << c.rate;
		EXPECT_EQ (p.holdCounter, c.holdReload) << c.rate;
	}
}

TEST (Activation, FixedCoefficientsAt44100)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	EXPECT_EQ (p.smootherPole, 0.9990027651431992);
	EXPECT_EQ (p.smootherGain, 1.0 - p.smootherPole);
	EXPECT_EQ (p.feedbackLpPole, 0.8062515747640371);
	EXPECT_EQ (p.feedbackLpGain, 0.09687421261798146);
	EXPECT_EQ (p.midHpPole, 0.9971545350291265);
	EXPECT_EQ (p.midHpGain, 0.5 * p.midHpPole + 0.5);
	EXPECT_EQ (p.sideHpPole, 0.9914877802977778);
	EXPECT_EQ (p.sideHpGain, 0.5 * p.sideHpPole + 0.5);
	EXPECT_EQ (p.fadeInStep, (1.0 / 44.1) * 0.02);
	EXPECT_EQ (p.fadeOutStep, (1.0 / 44.1) * 0.006666666666666667);
}

TEST (Activation, StartsSilentAtTheTargetsWithOneCrossfadeCycleAhead)
{
	EngineHost host;
	// Something in every line and filter, then a fresh activation.
	const std::vector<double> input = noise (30000, 11, 0.8);
	host.render (input, input, 512);
	ASSERT_EQ (host.component->setActive (true), kResultOk);

	const PlugProcessor& p = *host.object;
	const int32 n = p.lineLength;
	for (int line = 0; line < PlugProcessor::kNumDelayLines; ++line)
	{
		ASSERT_NE (p.delayLines[line], nullptr) << line;
		const int32 length = line == PlugProcessor::kSharedLine ? 5 * n : n;
		for (int32 j = 0; j < length; ++j)
			ASSERT_EQ (p.delayLines[line][j], 0.0) << "line " << line << " at " << j;
	}
	for (const FilterState* s : {&p.inputLpState, &p.feedbackLpState, &p.midHpState, &p.sideHpState})
	{
		EXPECT_EQ (s->x1, 0.0);
		EXPECT_EQ (s->y1, 0.0);
	}
	EXPECT_EQ (p.writeIndex, 0);
	EXPECT_EQ (p.sharedIndex, 0);
	EXPECT_EQ (p.fadeGain, 1.0);
	EXPECT_EQ (p.appliedFadeGain, 1.0);
	EXPECT_TRUE (p.rebuildPending);
	EXPECT_FALSE (p.fadingIn);
	EXPECT_EQ (p.lastPredelayMs, p.predelayMs);
	EXPECT_EQ (p.lastRvbTimeMs, p.rvbTimeMs);
	EXPECT_EQ (p.lastSizeMs, p.sizeMs);

	// Each smoother's first step returns its target (to rounding).
	EXPECT_EQ (p.smoothedLevel, p.levelTarget);
	EXPECT_EQ (p.smoothedMix, p.mixTarget);
	host.frame (0.0, 0.0);
	EXPECT_NEAR (p.smoothedLevel, p.levelTarget, 1e-15);
	EXPECT_NEAR (p.smoothedMix, p.mixTarget, 1e-15);
	EXPECT_NEAR (p.smoothedDiffusion, p.diffusionTarget, 1e-15);
}

TEST (Activation, ActivatingTwiceSoundsLikeActivatingOnce)
{
	const std::vector<double> first = noise (5000, 1, 0.7);
	const std::vector<double> second = noise (30000, 2, 0.7);

	EngineHost once;
	EngineHost twice;
	twice.render (first, first, 256);
	ASSERT_EQ (twice.component->setActive (true), kResultOk);

	const auto a = once.render (second, second, 256);
	const auto b = twice.render (second, second, 256);
	EXPECT_EQ (hashBits (a.first), hashBits (b.first));
	EXPECT_EQ (hashBits (a.second), hashBits (b.second));
}

TEST (Activation, DeactivationFreesTheLinesAndIsSafeToRepeat)
{
	EngineHost never (44100.0, kSample64, false);
	EXPECT_EQ (never.component->setActive (false), kResultOk);
	EXPECT_EQ (never.component->setActive (false), kResultOk);

	EngineHost host;
	EXPECT_EQ (host.component->setActive (false), kResultOk);
	for (double* line : host.object->delayLines)
		EXPECT_EQ (line, nullptr);
	EXPECT_EQ (host.component->setActive (false), kResultOk);
}

// A rate too low for a single sample of line is refused at the setup, so
// the processor stays inactive and process answers with silence; the lowest
// accepted rate runs on lines of one sample.
TEST (Activation, RefusesRatesWithoutAUsableLine)
{
	const double rates[] = {3.0, std::nextafter (kLowestSampleRate, 0.0), 1.0, 0.5,
	                        std::numeric_limits<double>::denorm_min ()};
	for (double rate : rates)
	{
		EngineHost host (rate, kSample64, false);
		ASSERT_EQ (host.setup (rate, kSample64), kInvalidArgument) << rate;
		EXPECT_EQ (host.component->setActive (true), kResultOk) << rate << ": the previous rate stands";
		EXPECT_EQ (host.object->engineSampleRate, 44100.0) << rate;
	}

	EngineHost lowest (kLowestSampleRate);
	ASSERT_EQ (lowest.activationResult, kResultOk);
	EXPECT_EQ (lowest.object->lineLength, 1);
	const auto [left, right] = lowest.frame (0.5, -0.5);
	EXPECT_TRUE (std::isfinite (left) && std::isfinite (right));
}

// A host that initializes or terminates an active processor without
// switching it off first: the engine stops, and the processor behaves as a
// freshly initialized one. Its next block is silence, a record restored now
// is applied at once (and not overtaken by one restored before), and the
// next activation sounds exactly like a fresh processor's.
TEST (Activation, InitializeOrTerminateWhileActiveStopsTheEngine)
{
	const ParamState before = defaultRecordWith ({{2, 0.1}});
	const ParamState after = defaultRecordWith ({{2, 0.3}, {3, 0.9}});
	const std::vector<double> input = noise (20000, 21, 0.8);

	EngineHost fresh (44100.0, kSample64, false);
	ASSERT_EQ (restore (fresh, after), kResultOk);
	ASSERT_EQ (fresh.component->setActive (true), kResultOk);
	const auto expected = fresh.render (input, input, 512);

	struct Case
	{
		const char* what;
		bool terminate;
	};
	const Case cases[] = {{"terminate, then initialize", true}, {"a second initialize", false}};
	for (const Case& c : cases)
	{
		EngineHost host;
		host.render (input, input, 512);
		ASSERT_EQ (restore (host, before), kResultOk) << c.what; // still on its way to the audio thread

		if (c.terminate)
		{
			ASSERT_EQ (host.component->terminate (), kResultOk) << c.what;
		}
		ASSERT_EQ (host.component->initialize (nullptr), kResultOk) << c.what;
		for (double* line : host.object->delayLines)
			EXPECT_EQ (line, nullptr) << c.what;

		const auto [left, right] = host.frame (0.5, -0.5);
		EXPECT_EQ (left, 0.0) << c.what;
		EXPECT_EQ (right, 0.0) << c.what;

		ASSERT_EQ (restore (host, after), kResultOk) << c.what;
		EXPECT_EQ (host.object->paramState.values[2], 0.3) << c.what << ": applied at once";
		EXPECT_EQ (host.object->rvbTimeMs, 1100.0) << c.what;

		ASSERT_EQ (host.component->setActive (true), kResultOk) << c.what;
		EXPECT_EQ (host.object->paramState.values[2], 0.3) << c.what << ": the older record stays overtaken";
		const auto out = host.render (input, input, 512);
		EXPECT_EQ (hashBits (out.first), hashBits (expected.first)) << c.what;
		EXPECT_EQ (hashBits (out.second), hashBits (expected.second)) << c.what;
	}

	// Terminated and never initialized again: silence, not a crash.
	EngineHost host;
	host.render (input, input, 512);
	ASSERT_EQ (host.component->terminate (), kResultOk);
	const auto [left, right] = host.frame (0.5, -0.5);
	EXPECT_EQ (left, 0.0);
	EXPECT_EQ (right, 0.0);
}

// A new rate given while active is for the next activation: until then the
// engine sounds exactly as before, parameter changes included, while the
// tail length follows the new rate at once.
TEST (Activation, ANewRateWaitsForTheNextActivation)
{
	const std::vector<double> input = noise (12000, 23, 0.8);
	EngineHost unchanged;
	EngineHost changed;
	ASSERT_EQ (changed.setup (48000.0, kSample64), kResultOk);
	EXPECT_EQ (changed.processor->getTailSamples (), static_cast<uint32> ((0.35 + 0.5) * 48000.0));
	EXPECT_EQ (changed.setup (std::numeric_limits<double>::quiet_NaN (), kSample64), kInvalidArgument);

	for (EngineHost* host : {&unchanged, &changed})
	{
		host->change (kParamLPCut, 0.9);
		host->change (kParamRvbTime, 0.4);
	}
	const auto a = unchanged.render (input, input, 256);
	const auto b = changed.render (input, input, 256);
	EXPECT_EQ (hashBits (b.first), hashBits (a.first));
	EXPECT_EQ (hashBits (b.second), hashBits (a.second));

	ASSERT_EQ (changed.component->setActive (true), kResultOk);
	EXPECT_EQ (changed.object->lineLength, 12000 + 12);
	const double w = changed.object->lpCutHz * 6.283185307179586 / 48000.0;
	EXPECT_EQ (changed.object->inputLpPole, (1.0 - std::sin (w)) / std::cos (w));
}

} // namespace
