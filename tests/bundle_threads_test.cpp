// One processor of the built bundle on three threads at once, as real hosts
// and bridges drive it: the audio thread runs blocks and asks for the tail
// after each one (to decide whether a silent track may stop), another thread
// asks for the tail all the time, and the main thread saves and restores the
// state. No saved record may be torn, and every tail must be one that some
// record gives.

#include "bundleprocessor.h"
#include "processor/paramids.h"
#include "teststreams.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int32 kBlock = 64;
constexpr double kRate = 44100.0;
// Enough blocks for the threads to meet many thousand times.
constexpr int32 kBlocks = 100000;

// The values each side sets Level to LPCut to, all six alike; the two sides
// never use the same value, so a record of mixed values is a torn one.
double audioValue (int32 block)
{
	return (block % 100) * 0.01;
}
double restoredValue (int32 k)
{
	return 0.005 + (k % 100) * 0.01;
}

// The tail a record with Rvb Time `value` (in [0, 1]) gives at 44.1 kHz.
uint32 tailFor (double value)
{
	return static_cast<uint32> (((value * 1000.0 + 200.0) * 0.001 + 0.5) * kRate);
}

// Byte offset of value i (parameter id i + 1) in the 124-byte record.
size_t valueOffset (int32 i)
{
	return 12 + 8 * static_cast<size_t> (i);
}

struct StateThreads : Tarvine::Test::BundleProcessor
{
	void SetUp () override
	{
		BundleProcessor::SetUp ();
		ASSERT_EQ (setup (kRate, kBlock), kResultOk);
		ASSERT_EQ (component->setActive (true), kResultOk);
	}

	// One block whose parameter changes set Level to LPCut to `value`.
	void block (ParameterChanges& changes, double value, std::vector<float>& left, std::vector<float>& right)
	{
		for (ParamID id = kParamLevel; id <= kParamLPCut; ++id)
		{
			int32 index = 0;
			if (IParamValueQueue* queue = changes.addParameterData (id, index))
				queue->addPoint (0, value, index);
		}
		float* channels[] = {left.data (), right.data ()};
		Tarvine::Test::processStereo (*processor, channels, channels, kBlock, &changes);
		changes.clearQueue ();
	}
};

TEST_F (StateThreads, SavesStayWholeWhileAnyThreadAsksForTheTail)
{
	std::set<uint32> possibleTails {tailFor (0.15)}; // the default record's
	for (int32 k = 0; k < 100; ++k)
	{
		possibleTails.insert (tailFor (audioValue (k)));
		possibleTails.insert (tailFor (restoredValue (k)));
	}

	// Failures are counted, not asserted, while the threads run: an
	// assertion would leave the test with a thread still joinable.
	std::atomic<bool> running {true};
	std::atomic<int32> blocks {0};
	std::atomic<int32> strangeTails {0};
	std::atomic<int32> tailQueries {0};
	auto checkTail = [&] {
		if (possibleTails.count (processor->getTailSamples ()) == 0)
			++strangeTails;
		++tailQueries;
	};

	std::thread audio ([&] {
		ParameterChanges changes {8};
		std::vector<float> left (kBlock), right (kBlock);
		for (int32 b = 0; running.load (); ++b)
		{
			std::fill (left.begin (), left.end (), 0.1f);
			std::fill (right.begin (), right.end (), -0.1f);
			block (changes, audioValue (b), left, right);
			checkTail ();
			blocks.store (b + 1);
		}
	});
	std::thread asking ([&] {
		while (running.load ())
			checkTail ();
	});
	while (blocks.load () < 10)
		std::this_thread::yield ();

	MemoryStream first;
	ASSERT_EQ (component->getState (&first), kResultOk);
	std::vector<unsigned char> record = Tarvine::Test::streamBytes (first);

	int32 torn = 0;
	int32 refused = 0;
	int32 restores = 0;
	for (int32 k = 0; blocks.load () < kBlocks; ++k)
	{
		MemoryStream saved;
		if (component->getState (&saved) != kResultOk || saved.getSize () != 124)
		{
			++refused;
			continue;
		}
		double values[6];
		std::memcpy (values, saved.getData () + valueOffset (0), sizeof values);
		for (double v : values)
			torn += v != values[0] ? 1 : 0;

		const double restored = restoredValue (k);
		for (int32 i = 0; i < 6; ++i)
			std::memcpy (record.data () + valueOffset (i), &restored, sizeof restored);
		MemoryStream restore;
		Tarvine::Test::fillStream (restore, record);
		refused += component->setState (&restore) != kResultOk ? 1 : 0;
		++restores;
	}
	running.store (false);
	audio.join ();
	asking.join ();

	EXPECT_EQ (refused, 0);
	EXPECT_EQ (torn, 0) << "of " << restores << " saves";
	EXPECT_EQ (strangeTails.load (), 0) << "of " << tailQueries.load () << " tail queries";
	EXPECT_GT (restores, 0);
}

} // namespace
