#include "enginehost.h"
#include "enginestate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Tarvine::Test;

namespace {

// Runs a processor through the crossfade cycle that every activation starts
// with, so that the engine is in its steady state.
void settle (EngineHost& host)
{
	const std::vector<double> silence (22050, 0.0);
	host.render (silence, silence, 1024);
	ASSERT_FALSE (host.object->rebuildPending);
	ASSERT_FALSE (host.object->fadingIn);
}

TEST (ParameterMapping, DefaultsGiveTheDocumentedEngineValues)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	EXPECT_EQ (p.levelTarget, 1.0);
	EXPECT_EQ (p.mixTarget, 0.5);
	EXPECT_EQ (p.sizeMs, 205.0);
	EXPECT_EQ (p.rvbTimeMs, 350.0);
	EXPECT_EQ (p.diffusionTarget, 0.9999999999999999);
	EXPECT_NEAR (p.lpCutHz, 5000.0, 0.01);
	EXPECT_NEAR (p.predelayMs, 20.00005209933155, 1e-12);
}

TEST (ParameterMapping, CurvesAndTheirEndPoints)
{
	struct Case
	{
		ParamID id;
		double value;
		double PlugProcessor::*field;
		double expected;
		double tolerance;
	};
	const double tiny = std::numeric_limits<double>::denorm_min ();
	const Case cases[] = {
		{kParamPredelay, 0.0, &PlugProcessor::predelayMs, 0.0, 0.0},
		{kParamPredelay, -0.0, &PlugProcessor::predelayMs, 0.0, 0.0},
		{kParamPredelay, tiny, &PlugProcessor::predelayMs, 1.0, 1e-12},
		{kParamPredelay, 1.0, &PlugProcessor::predelayMs, 249.99999999999983, 0.0},
		{kParamDiffusion, 0.0, &PlugProcessor::diffusionTarget, 0.0, 0.0},
		{kParamDiffusion, tiny, &PlugProcessor::diffusionTarget, 0.1, 1e-12},
		{kParamDiffusion, 0.5, &PlugProcessor::diffusionTarget, 0.316227766, 1e-9},
		{kParamLevel, 0.0, &PlugProcessor::levelTarget, 0.015848931924611134, 0.0},
		{kParamLevel, 0.75, &PlugProcessor::levelTarget, 1.0, 0.0},
		{kParamLevel, 1.0, &PlugProcessor::levelTarget, 3.9810717055349727, 0.0},
		{kParamLPCut, 0.0, &PlugProcessor::lpCutHz, 500.0, 0.0},
		{kParamLPCut, 1.0, &PlugProcessor::lpCutHz, 16000.0, 0.0},
		{kParamRvbTime, 0.0, &PlugProcessor::rvbTimeMs, 200.0, 0.0},
		{kParamRvbTime, 1.0, &PlugProcessor::rvbTimeMs, 1200.0, 0.0},
		{kParamRvbTime, 1.0, &PlugProcessor::sizeMs, 800.0, 0.0},
		{kParamMix, 0.25, &PlugProcessor::mixTarget, 0.25, 0.0},
	};
	for (const Case& c : cases)
	{
		EngineHost host;
		host.change (c.id, c.value);
		host.flush ();
		EXPECT_NEAR (host.object->*c.field, c.expected, c.tolerance) << "id " << c.id << " value " << c.value;
	}
}

TEST (ParameterMapping, OnlyPredelayAndRvbTimeFlagARebuild)
{
	struct Case
	{
		ParamID id;
		double value;
		bool flagged;
	};
	const Case cases[] = {
		{kParamMix, 0.9, false},      {kParamLevel, 0.2, false},     {kParamDiffusion, 0.3, false},
		{kParamLPCut, 0.1, false},    {kParamBypass, 0.0, false},    {kParamPredelay, 0.542562, false},
		{kParamPredelay, 0.3, true},  {kParamRvbTime, 0.7, true},    {kParamRvbTime, 0.15, false},
	};
	for (const Case& c : cases)
	{
		EngineHost host;
		settle (host);
		host.change (c.id, c.value);
		host.flush ();
		EXPECT_EQ (host.object->rebuildPending, c.flagged) << "id " << c.id << " value " << c.value;
	}

	EngineHost host;
	settle (host);
	host.change (kParamRvbTime, 1.0);
	host.flush ();
	EXPECT_EQ (host.object->lastRvbTimeMs, 1200.0);
	EXPECT_EQ (host.object->lastSizeMs, 800.0);
}

// The worked example at 44.1 kHz with the default parameters.
TEST (CombNetwork, WorkedExampleAtTheDefaults)
{
	EngineHost host;
	const PlugProcessor& p = *host.object;
	EXPECT_NEAR (p.inputLpPole, 0.4576628476, 1e-10);
	EXPECT_NEAR (p.inputLpGain, 0.4853917514, 1e-10);
	EXPECT_NEAR (p.lpCutHz - 5000.0, 0.006602621627, 1e-11);
	EXPECT_EQ (p.predelayLength, 882);

	struct Row
	{
		int32 length, echoes, tap;
		double c, h, w, c8, h8, w8;
	};
	const Row rows[8] = {
		{1800, 9, 16200, 0.966123645, 0.733321470, 0.191272200, 0.939738904, 0.571563987, 0.190484113},
		{1477, 10, 14770, 0.972130726, 0.753783626, 0.157355105, 0.950302837, 0.600648309, 0.157091732},
		{1295, 12, 15540, 0.975510990, 0.742653099, 0.138269504, 0.956270425, 0.584747927, 0.138228308},
		{1142, 14, 15988, 0.978382221, 0.736410091, 0.122058000, 0.961352423, 0.575912829, 0.122164214},
		{1051, 15, 15765, 0.980074633, 0.739413252, 0.112502327, 0.964353565, 0.580155419, 0.112677665},
		{974, 16, 15584, 0.981533627, 0.742135024, 0.104264575, 0.966944133, 0.584012469, 0.104488932},
		{856, 18, 15408, 0.983738822, 0.744451816, 0.091813633, 0.970865519, 0.587304584, 0.092093507},
		{769, 20, 15380, 0.985394626, 0.745081513, 0.082464658, 0.973814598, 0.588200796, 0.082771530},
	};
	const double printed = 5.0e-10 + 1e-15; // nine decimals
	double sumA = 0.0, sumB = 0.0;
	for (int k = 0; k < 8; ++k)
	{
		const Row& r = rows[k];
		for (int kk : {k, k + 8})
		{
			EXPECT_EQ (p.combLength[kk], r.length) << kk;
			EXPECT_EQ (p.combTruncLength[kk], r.tap) << kk;
		}
		EXPECT_NEAR (p.combFeedback[k], r.c, printed) << k;
		EXPECT_NEAR (p.combTruncGain[k], r.h, printed) << k;
		EXPECT_NEAR (p.combWeight[k], r.w, printed) << k;
		EXPECT_NEAR (p.combFeedback[k + 8], r.c8, printed) << k + 8;
		EXPECT_NEAR (p.combTruncGain[k + 8], r.h8, printed) << k + 8;
		EXPECT_NEAR (p.combWeight[k + 8], r.w8, printed) << k + 8;
		sumA += p.combWeight[k];
		sumB += p.combWeight[k + 8];
	}
	EXPECT_NEAR (sumA, 1.0, 1e-15);
	EXPECT_NEAR (sumB, 1.0, 1e-15);
}

TEST (CombNetwork, LengthsAtTheEndsOfTheRvbTimeRange)
{
	struct Case
	{
		double rvbTime;
		int32 echoes[8];
		int32 lengths[8];
		int32 taps[8];
		double lowpassGainAtDc;
	};
	const Case cases[] = {
		{0.0,
		 {6, 8, 9, 10, 11, 12, 13, 15},
		 {1417, 1162, 1020, 899, 828, 766, 674, 605},
		 {8502, 9296, 9180, 8990, 9108, 9192, 8762, 9075},
		 2.0},
		{1.0,
		 {19, 23, 26, 29, 32, 35, 39, 44},
		 {2835, 2325, 2039, 1797, 1655, 1533, 1348, 1210},
		 {53865, 53475, 53014, 52113, 52960, 53655, 52572, 53240},
		 0.6},
	};
	for (const Case& c : cases)
	{
		EngineHost host (44100.0, kSample64, false);
		MemoryStream stream;
		streamOf (defaultRecordWith ({{3, c.rvbTime}}), stream);
		ASSERT_EQ (host.component->setState (&stream), kResultOk);
		ASSERT_EQ (host.component->setActive (true), kResultOk);
		const PlugProcessor& p = *host.object;
		for (int k = 0; k < 16; ++k)
		{
			EXPECT_EQ (p.combLength[k], c.lengths[k % 8]) << k;
			EXPECT_EQ (p.combTruncLength[k], c.taps[k % 8]) << k;
			EXPECT_EQ (p.combTruncLength[k], c.echoes[k % 8] * c.lengths[k % 8]) << k;
			EXPECT_LT (p.combTruncLength[k], 5 * p.lineLength);
		}
		// The low-pass y = p y1 + g (x + x1) passes 2 g / (1 - p) at 0 Hz.
		EXPECT_NEAR (2.0 * p.inputLpGain / (1.0 - p.inputLpPole), c.lowpassGainAtDc, 1e-12);
	}
}

TEST (CombNetwork, PredelayLengthsAtTheEndsOfItsRange)
{
	for (const auto& [value, expected] : {std::pair {0.0, 0}, std::pair {1.0, 11025}})
	{
		EngineHost host (44100.0, kSample64, false);
		MemoryStream stream;
		streamOf (defaultRecordWith ({{2, value}}), stream);
		host.component->setState (&stream);
		host.component->setActive (true);
		EXPECT_EQ (host.object->predelayLength, expected) << value;
	}
}

TEST (CombNetwork, LengthsWaitForTheCrossfadeWhileGainsFollowAtOnce)
{
	EngineHost host;
	settle (host);
	const PlugProcessor& p = *host.object;
	const int32 lengthBefore = p.combLength[0];
	const int32 tapBefore = p.combTruncLength[0];
	const int32 predelayBefore = p.predelayLength;
	const double feedbackBefore = p.combFeedback[0];

	host.change (kParamRvbTime, 0.8);
	host.change (kParamPredelay, 0.2);
	host.flush ();
	EXPECT_TRUE (p.rebuildPending);
	EXPECT_NE (p.combFeedback[0], feedbackBefore);
	EXPECT_EQ (p.combLength[0], lengthBefore);
	EXPECT_EQ (p.combTruncLength[0], tapBefore);
	EXPECT_EQ (p.predelayLength, predelayBefore);

	// A change that flags nothing leaves the waiting lengths alone too.
	host.change (kParamMix, 0.3);
	host.flush ();
	EXPECT_EQ (p.combLength[0], lengthBefore);

	settle (host);
	EXPECT_NE (p.combLength[0], lengthBefore);
	EXPECT_NE (p.predelayLength, predelayBefore);
}

// Values outside [0, 1], infinities and NaN reach the record unchanged but
// drive the engine as the nearest value inside the range (NaN as 0).
TEST (EngineBounds, OutOfRangeValuesDriveTheEngineClamped)
{
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	const double inf = std::numeric_limits<double>::infinity ();
	struct Case
	{
		double value;
		double clamped;
	};
	const Case cases[] = {{-1.0, 0.0}, {2.0, 1.0}, {1e300, 1.0}, {inf, 1.0}, {-inf, 0.0}, {nan, 0.0}};
	const std::vector<double> input = noise (4096, 7, 0.5);
	for (ParamID id = kParamLevel; id <= kParamLPCut; ++id)
	{
		for (const Case& c : cases)
		{
			EngineHost odd;
			EngineHost clamped;
			odd.change (id, c.value);
			clamped.change (id, c.clamped);
			const auto oddOut = odd.render (input, input, 512);
			const auto clampedOut = clamped.render (input, input, 512);
			const std::string what = "id " + std::to_string (id) + " value " + std::to_string (c.value);

			EXPECT_EQ (bitsOf (odd.object->paramState.values[id - 1]), bitsOf (c.value)) << what;
			EXPECT_EQ (hashBits (oddOut.first), hashBits (clampedOut.first)) << what;
			EXPECT_EQ (hashBits (oddOut.second), hashBits (clampedOut.second)) << what;
			EXPECT_EQ (odd.object->predelayLength, clamped.object->predelayLength) << what;
			EXPECT_EQ (odd.object->levelTarget, clamped.object->levelTarget) << what;
		}
	}
}

// Every length stays inside its line at any rate a host may run, with the
// parameters at the ends of their ranges; the exact lengths at ordinary
// rates are pinned elsewhere.
TEST (EngineBounds, LengthsStayInsideTheirLinesAtOddSampleRates)
{
	const double rates[] = {1234.5678, 2000.0, 4000.0, 8000.0, 11025.0, 22050.0, 32000.0, 192000.0, 1234567.0};
	for (double rate : rates)
	{
		for (double end : {0.0, 1.0})
		{
			EngineHost host (rate, kSample64, false);
			MemoryStream stream;
			streamOf (defaultRecordWith ({{2, end}, {3, end}, {4, end}, {5, end}}), stream);
			host.component->setState (&stream);
			ASSERT_EQ (host.component->setActive (true), kResultOk) << rate;
			const std::vector<double> input = noise (3000, 3, 0.9);
			const auto out = host.render (input, input, 256);

			const PlugProcessor& p = *host.object;
			const int32 n = p.lineLength;
			const std::string what = std::to_string (rate) + " Hz, values at " + std::to_string (end);
			EXPECT_GE (p.predelayLength, 0) << what;
			EXPECT_LT (p.predelayLength, n) << what;
			for (int k = 0; k < 4; ++k)
			{
				EXPECT_GE (p.inputAllpassLength[k], 1) << what;
				EXPECT_LE (p.inputAllpassLength[k], n) << what;
				EXPECT_GE (p.outputAllpassLength[k], 1) << what;
				EXPECT_LE (p.outputAllpassLength[k], n) << what;
			}
			for (int k = 0; k < 16; ++k)
			{
				EXPECT_GE (p.combLength[k], 1) << what;
				EXPECT_LE (p.combLength[k], n) << what;
				EXPECT_GE (p.combTruncLength[k], 1) << what;
				EXPECT_LT (p.combTruncLength[k], 5 * n) << what;
				// The comb bank reads each pair k, k + 8 at one position.
				EXPECT_EQ (p.combLength[k], p.combLength[k % 8]) << what;
				EXPECT_EQ (p.combTruncLength[k], p.combTruncLength[k % 8]) << what;
			}
			for (double pole : {p.inputLpPole, p.feedbackLpPole, p.midHpPole, p.sideHpPole})
				EXPECT_LT (std::abs (pole), 1.0) << what;
			for (size_t i = 0; i < out.first.size (); ++i)
			{
				ASSERT_TRUE (std::isfinite (out.first[i]) && std::isfinite (out.second[i])) << what << " frame " << i;
			}
		}
	}
}

// At 32 kHz and below the top of the LPCut range reaches half the sample
// rate; the corner is held below it there, and nowhere else.
TEST (EngineBounds, InputLowpassStaysStableAtLowRatesAndExactAtOrdinaryOnes)
{
	for (double rate : {8000.0, 22050.0, 32000.0, 44100.0, 48000.0, 96000.0})
	{
		EngineHost host (rate);
		host.change (kParamLPCut, 1.0);
		host.flush ();
		const PlugProcessor& p = *host.object;
		const double w = 16000.0 * 6.283185307179586 / rate;
		const double exactPole = (1.0 - std::sin (w)) / std::cos (w);
		EXPECT_LT (std::abs (p.inputLpPole), 1.0) << rate;
		EXPECT_GT (p.inputLpPole, -0.75) << rate; // a corner well below Nyquist
		if (rate >= 44100.0)
		{
			EXPECT_EQ (p.inputLpPole, exactPole) << rate;
		}
	}
}

} // namespace
