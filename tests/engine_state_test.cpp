#include "enginehost.h"
#include "enginestate.h"
#include "teststreams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

using namespace Tarvine::Test;

namespace {

ParamState stateOf (EngineHost& host)
{
	MemoryStream stream;
	EXPECT_EQ (host.component->getState (&stream), kResultOk);
	stream.seek (0, IBStream::kIBSeekSet, nullptr);
	ParamState state;
	EXPECT_EQ (readParamState (state, &stream), kResultOk);
	return state;
}

tresult restore (EngineHost& host, const ParamState& state)
{
	MemoryStream stream;
	streamOf (state, stream);
	return host.component->setState (&stream);
}

void expectSameRecord (const ParamState& a, const ParamState& b, const std::string& what)
{
	EXPECT_EQ (a.bypass, b.bypass) << what;
	for (int i = 0; i < ParamState::kNumValues; ++i)
		EXPECT_EQ (bitsOf (a.values[i]), bitsOf (b.values[i])) << what << " value " << i;
	for (int i = 0; i < ParamState::kNumFlags; ++i)
		EXPECT_EQ (a.flags[i], b.flags[i]) << what << " flag " << i;
}

TEST (StatePersistence, NewProcessorSavesTheDefaults)
{
	EngineHost host (44100.0, kSample64, false);
	MemoryStream stream;
	ASSERT_EQ (host.component->getState (&stream), kResultOk);
	const auto bytes = streamBytes (stream);
	ASSERT_EQ (bytes.size (), 124u);
	expectSameRecord (stateOf (host), defaultRecordWith (), "defaults");
	EXPECT_EQ (std::vector<unsigned char> (bytes.begin (), bytes.begin () + 12), std::vector<unsigned char> (12, 0));
}

// Every record comes back bit for bit, values outside [0, 1] and NaN
// included, active or not; the engine runs on the clamped values meanwhile.
TEST (StatePersistence, RoundTripsAnyRecordExactly)
{
	ParamState odd = defaultRecordWith ({{0, 3.5},
	                                     {1, -0.25},
	                                     {2, std::numeric_limits<double>::quiet_NaN ()},
	                                     {3, std::numeric_limits<double>::infinity ()},
	                                     {4, 0.125},
	                                     {5, 1e-300}});
	odd.bypass = true;
	odd.values[7] = 42.0;
	odd.flags[2] = true;
	for (bool activate : {false, true})
	{
		EngineHost host (44100.0, kSample64, activate);
		ASSERT_EQ (restore (host, odd), kResultOk);
		expectSameRecord (stateOf (host), odd, activate ? "active" : "inactive");
		host.flush ();
		expectSameRecord (stateOf (host), odd, activate ? "active, after a block" : "inactive, after a block");
		EXPECT_EQ (host.object->levelTarget, 3.9810717055349727);
		EXPECT_EQ (host.object->mixTarget, 0.0);
		EXPECT_EQ (host.object->rvbTimeMs, 1200.0);
	}
}

TEST (StatePersistence, AShortStreamIsRefusedAndChangesNothing)
{
	EngineHost host;
	ASSERT_EQ (restore (host, defaultRecordWith ({{0, 0.5}})), kResultOk);
	MemoryStream full;
	streamOf (defaultRecordWith ({{0, 0.1}}), full);
	auto bytes = streamBytes (full);
	bytes.pop_back ();
	MemoryStream shortStream;
	fillStream (shortStream, bytes);
	EXPECT_EQ (host.component->setState (&shortStream), kResultFalse);
	EXPECT_EQ (host.component->setState (nullptr), kResultFalse);
	EXPECT_EQ (stateOf (host).values[0], 0.5);
	EXPECT_EQ (host.component->getState (nullptr), kResultFalse);
	LimitedStream refusing (50);
	EXPECT_EQ (host.component->getState (&refusing), kResultFalse);
}

// Before activation a restored record reaches the engine at once.
TEST (StatePersistence, WhileInactiveTheEngineFollowsAtOnce)
{
	EngineHost host (44100.0, kSample64, false);
	ASSERT_EQ (restore (host, defaultRecordWith ({{1, 0.8}, {3, 1.0}})), kResultOk);
	EXPECT_EQ (host.object->mixTarget, 0.8);
	EXPECT_EQ (host.object->rvbTimeMs, 1200.0);
	EXPECT_EQ (host.processor->getTailSamples (), static_cast<uint32> ((1200.0 * 0.001 + 0.5) * 44100.0));
	ASSERT_EQ (host.component->setActive (true), kResultOk);
	EXPECT_EQ (host.object->smoothedMix, 0.8);
}

// While active the record goes to the audio thread, which takes it at the
// start of its next block: a changed Predelay flags a rebuild then, equal
// values flag nothing, and getState shows the record at once.
TEST (StatePersistence, WhileActiveTheNextBlockTakesTheRecord)
{
	EngineHost host;
	const std::vector<double> silence (22050, 0.0);
	host.render (silence, silence, 1024);
	ASSERT_FALSE (host.object->rebuildPending);

	ASSERT_EQ (restore (host, defaultRecordWith ()), kResultOk);
	host.flush ();
	EXPECT_FALSE (host.object->rebuildPending);

	ASSERT_EQ (restore (host, defaultRecordWith ({{2, 0.25}})), kResultOk);
	EXPECT_EQ (stateOf (host).values[2], 0.25);
	EXPECT_EQ (host.object->paramState.values[2], 0.542562) << "the audio thread's record waits for its block";
	EXPECT_FALSE (host.object->rebuildPending);
	host.flush ();
	EXPECT_EQ (host.object->paramState.values[2], 0.25);
	EXPECT_TRUE (host.object->rebuildPending);
}

// getState writes the newest record: the audio thread's parameter changes,
// unless a later setState replaced them; then that one, and the changes the
// audio thread makes on top of it.
TEST (StatePersistence, GetStateWritesTheNewestRecord)
{
	EngineHost host;
	host.change (kParamLevel, 0.2);
	host.flush ();
	EXPECT_EQ (stateOf (host).values[0], 0.2);

	host.change (kParamMix, 0.9);
	host.flush (); // published before the next restore is taken
	ASSERT_EQ (restore (host, defaultRecordWith ({{0, 0.6}})), kResultOk);
	expectSameRecord (stateOf (host), defaultRecordWith ({{0, 0.6}}), "restored, not yet taken");

	host.change (kParamLPCut, 0.3);
	host.flush ();
	expectSameRecord (stateOf (host), defaultRecordWith ({{0, 0.6}, {5, 0.3}}), "restored, then changed");

	// Switched off before the audio thread took a restored record: it is not lost.
	ASSERT_EQ (restore (host, defaultRecordWith ({{4, 0.7}})), kResultOk);
	ASSERT_EQ (host.component->setActive (false), kResultOk);
	EXPECT_EQ (host.object->paramState.values[4], 0.7);
	expectSameRecord (stateOf (host), defaultRecordWith ({{4, 0.7}}), "after deactivation");
}

// The tail at 44.1 kHz for a Rvb Time value in [0, 1].
uint32 tailAt44100 (double rvbTime)
{
	return static_cast<uint32> (((rvbTime * 1000.0 + 200.0) * 0.001 + 0.5) * 44100.0);
}

// getTailSamples answers for the newest record, as getState writes it: a
// record restored while active counts at once, before the audio thread has
// taken it, and so do the parameter changes the audio thread applied.
TEST (StatePersistence, TailFollowsTheNewestRecordAtOnce)
{
	EngineHost host;
	EXPECT_EQ (host.processor->getTailSamples (), 37485u);

	ASSERT_EQ (restore (host, defaultRecordWith ({{3, 1.0}})), kResultOk);
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (1.0)) << "restored, not yet taken";
	host.flush ();
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (1.0)) << "taken";

	host.change (kParamRvbTime, 0.0);
	host.flush ();
	EXPECT_EQ (host.processor->getTailSamples (), 30869u) << "changed by a block";

	// Changed by a block, then restored before getState or the tail looked.
	host.change (kParamRvbTime, 0.5);
	host.flush ();
	ASSERT_EQ (restore (host, defaultRecordWith ({{3, 0.25}})), kResultOk);
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (0.25)) << "the block's change was older";

	// Values the engine clamps count as the engine clamps them.
	ASSERT_EQ (restore (host, defaultRecordWith ({{3, 7.0}})), kResultOk);
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (1.0)) << "above the range";
	ASSERT_EQ (restore (host, defaultRecordWith ({{3, std::numeric_limits<double>::quiet_NaN ()}})), kResultOk);
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (0.0)) << "NaN";
}

// A block that changes a parameter before anything else derived the engine
// values gives the tail its reverb time.
TEST (StatePersistence, TailHasNoReverbTimeUntilTheValuesAreDerived)
{
	EngineHost host (44100.0, kSample64, false);
	EXPECT_EQ (host.processor->getTailSamples (), 22050u);
	host.change (kParamRvbTime, 1.0);
	host.flush ();
	EXPECT_EQ (host.processor->getTailSamples (), tailAt44100 (1.0));
}

// setState, getState and getTailSamples on one thread while process runs on
// another: every saved record is whole (never half of one and half of
// another), the tail answers for the record just restored, and the last
// restored record is what remains.
TEST (StatePersistence, MainAndAudioThreadsNeverTearARecord)
{
	EngineHost host;
	std::atomic<bool> running {true};
	std::atomic<int32> blocks {0};
	std::thread audio ([&] {
		std::vector<double> left (64, 0.1), right (64, 0.1), outL (64), outR (64);
		double* in[] = {left.data (), right.data ()};
		double* out[] = {outL.data (), outR.data ()};
		int32 block = 0;
		while (running.load ())
		{
			host.change (kParamMix, (block % 100) * 0.01);
			host.run (in, out, 64);
			++block;
			blocks.store (block);
		}
	});
	while (blocks.load () < 10)
		std::this_thread::yield ();

	// Failures are counted, not asserted, while the audio thread runs: an
	// assertion would leave the test with the thread still joinable.
	int32 torn = 0;
	int32 refused = 0;
	int32 staleTails = 0;
	for (int32 k = 1; k <= 20000; ++k)
	{
		const double v = k * 0.00001;
		ParamState record = defaultRecordWith ({{0, v}, {2, v}, {3, v}, {4, v}, {5, v}});
		if (restore (host, record) != kResultOk)
		{
			++refused;
			continue;
		}
		staleTails += host.processor->getTailSamples () != tailAt44100 (v) ? 1 : 0;
		const ParamState saved = stateOf (host);
		const double first = saved.values[0];
		for (int i : {2, 3, 4, 5})
			torn += saved.values[i] != first ? 1 : 0;
		torn += first != v ? 1 : 0;
	}
	running.store (false);
	audio.join ();
	EXPECT_EQ (refused, 0);
	EXPECT_EQ (torn, 0);
	EXPECT_EQ (staleTails, 0);
	EXPECT_GT (blocks.load (), 10);

	host.flush ();
	const ParamState last = stateOf (host);
	for (int i : {0, 2, 3, 4, 5})
		EXPECT_EQ (last.values[i], 20000 * 0.00001) << i;
	EXPECT_EQ (host.object->paramState.values[0], 20000 * 0.00001);
}

} // namespace
