#include "entry/plugids.h"
#include "processor/enginelimits.h"
#include "processor/plugprocessor.h"
#include "enginestate.h"
#include "teststreams.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A processor as the factory hands it out, reached through its interfaces.
struct ProcessorFixture : ::testing::Test
{
	IPtr<PlugProcessor> object = owned (new PlugProcessor);
	IPtr<IComponent> component = U::cast<IComponent> (static_cast<IAudioProcessor*> (object.get ()));
	IPtr<IAudioProcessor> processor = U::cast<IAudioProcessor> (component);

	void TearDown () override
	{
		if (component)
			component->terminate ();
	}
};

TEST_F (ProcessorFixture, AnswersTheComponentAndProcessorInterfaces)
{
	ASSERT_TRUE (component);
	ASSERT_TRUE (processor);
	TUID cid;
	ASSERT_EQ (component->getControllerClassId (cid), kResultOk);
	EXPECT_EQ (FUID::fromTUID (cid), PlugControllerUID);
}

TEST_F (ProcessorFixture, DefaultRecordStreamsAsTheDocumentedBytes)
{
	MemoryStream stream;
	ASSERT_EQ (writeParamState (object->paramState, &stream), kResultOk);
	const auto bytes = Tarvine::Test::streamBytes (stream);
	ASSERT_EQ (bytes.size (), 124u);

	EXPECT_EQ (std::vector<unsigned char> (bytes.begin (), bytes.begin () + 12),
	           std::vector<unsigned char> (12, 0));
	const std::vector<unsigned char> level {0, 0, 0, 0, 0, 0, 0xE8, 0x3F};
	EXPECT_EQ (std::vector<unsigned char> (bytes.begin () + 12, bytes.begin () + 20), level);

	const double expected[] = {0.75, 0.5, 0.542562, 0.15, 1.0, 0.664386};
	for (int i = 0; i < 6; ++i)
	{
		double v;
		std::memcpy (&v, &bytes[12 + 8 * i], 8);
		EXPECT_EQ (v, expected[i]) << i;
	}
	EXPECT_EQ (std::vector<unsigned char> (bytes.begin () + 60, bytes.end ()),
	           std::vector<unsigned char> (64, 0));
}

TEST_F (ProcessorFixture, InitializeAddsOneStereoBusEachWayAndRefusesASecondTime)
{
	ASSERT_EQ (component->initialize (nullptr), kResultOk);
	// A held host context is what makes the base refuse a second initialize.
	component->terminate ();
	IPtr<IAudioProcessor> context = processor; // any FUnknown serves as a context
	ASSERT_EQ (component->initialize (context), kResultOk);
	EXPECT_EQ (component->initialize (context), kResultFalse);

	EXPECT_EQ (component->getBusCount (kAudio, kInput), 1);
	EXPECT_EQ (component->getBusCount (kAudio, kOutput), 1);
	EXPECT_EQ (component->getBusCount (kEvent, kInput), 0);

	BusInfo info {};
	ASSERT_EQ (component->getBusInfo (kAudio, kInput, 0, info), kResultOk);
	EXPECT_EQ (info.channelCount, 2);
	EXPECT_EQ (info.busType, kMain);
	EXPECT_EQ (info.flags, static_cast<uint32> (BusInfo::kDefaultActive));
	EXPECT_EQ (VST3::StringConvert::convert (info.name), "AudioInput");
	ASSERT_EQ (component->getBusInfo (kAudio, kOutput, 0, info), kResultOk);
	EXPECT_EQ (VST3::StringConvert::convert (info.name), "AudioOutput");

	EXPECT_EQ (object->smoothingMs, 50.0);
	EXPECT_EQ (object->midHpCornerHz, 20.0);
	EXPECT_EQ (object->sideHpCornerHz, 60.0);
	EXPECT_EQ (object->sampleRate, 44100.0);
	for (double* line : object->delayLines)
		EXPECT_EQ (line, nullptr);
}

// Without a host context the base lets initialize run again; the processor
// still has one stereo bus each way afterwards.
TEST_F (ProcessorFixture, InitializeAgainWithoutAContextKeepsOneBusEachWay)
{
	ASSERT_EQ (component->initialize (nullptr), kResultOk);
	SpeakerArrangement surroundPair = SpeakerArr::kStereoSurround;
	ASSERT_EQ (processor->setBusArrangements (&surroundPair, 1, &surroundPair, 1), kResultTrue);
	ASSERT_EQ (component->initialize (nullptr), kResultOk);

	EXPECT_EQ (component->getBusCount (kAudio, kInput), 1);
	EXPECT_EQ (component->getBusCount (kAudio, kOutput), 1);
	for (BusDirection direction : {kInput, kOutput})
	{
		SpeakerArrangement arrangement = 0;
		ASSERT_EQ (processor->getBusArrangement (direction, 0, arrangement), kResultOk);
		EXPECT_EQ (arrangement, SpeakerArr::kStereo) << direction;
	}
}

TEST_F (ProcessorFixture, AcceptsOnlyTwoChannelArrangements)
{
	ASSERT_EQ (component->initialize (nullptr), kResultOk);
	const SpeakerArrangement stereo = SpeakerArr::kStereo;
	const SpeakerArrangement surroundPair = SpeakerArr::kStereoSurround;
	const SpeakerArrangement mono = SpeakerArr::kMono;
	const SpeakerArrangement six = SpeakerArr::k51;
	SpeakerArrangement twoStereo[] = {stereo, stereo};

	struct Case
	{
		const char* what;
		SpeakerArrangement in;
		int32 numIns;
		SpeakerArrangement out;
		int32 numOuts;
		tresult expected;
	};
	const Case cases[] = {
		{"stereo in and out", stereo, 1, stereo, 1, kResultTrue},
		{"mono input", mono, 1, stereo, 1, kResultFalse},
		{"six-channel output", stereo, 1, six, 1, kResultFalse},
		{"two channels other than left/right", surroundPair, 1, surroundPair, 1, kResultTrue},
		{"no arrangements", mono, 0, mono, 0, kResultTrue},
		{"empty mask", 0, 1, stereo, 1, kResultFalse},
		{"negative count", stereo, -1, stereo, 1, kInvalidArgument},
	};
	for (const Case& c : cases)
	{
		SpeakerArrangement in = c.in, out = c.out;
		EXPECT_EQ (processor->setBusArrangements (&in, c.numIns, &out, c.numOuts), c.expected) << c.what;
	}
	SpeakerArrangement out = stereo;
	EXPECT_EQ (processor->setBusArrangements (twoStereo, 2, &out, 1), kResultFalse) << "two input buses";
	EXPECT_EQ (processor->setBusArrangements (nullptr, 1, &out, 1), kInvalidArgument) << "no input array";
	EXPECT_EQ (processor->setBusArrangements (twoStereo, 1, nullptr, 1), kInvalidArgument) << "no output array";

	// The accepted surround pair is what the buses now carry.
	SpeakerArrangement current = 0;
	ASSERT_EQ (processor->getBusArrangement (kInput, 0, current), kResultOk);
	EXPECT_EQ (current, surroundPair);
}

TEST_F (ProcessorFixture, ProcessesThirtyTwoAndSixtyFourBitSamplesOnly)
{
	EXPECT_EQ (processor->canProcessSampleSize (kSample32), kResultTrue);
	EXPECT_EQ (processor->canProcessSampleSize (kSample64), kResultTrue);
	EXPECT_EQ (processor->canProcessSampleSize (2), kResultFalse);
	EXPECT_EQ (processor->canProcessSampleSize (-1), kResultFalse);
}

TEST_F (ProcessorFixture, RefusedSampleSizeStillTakesTheSampleRate)
{
	ASSERT_EQ (component->initialize (nullptr), kResultOk);
	ProcessSetup setup {kRealtime, 2, 512, 48000.0};
	EXPECT_EQ (processor->setupProcessing (setup), kResultFalse);
	EXPECT_EQ (object->sampleRate, 48000.0);
	EXPECT_EQ (processor->getTailSamples (), 24000u); // half a second at 48 kHz, no reverb time yet

	setup.symbolicSampleSize = kSample64;
	EXPECT_EQ (processor->setupProcessing (setup), kResultOk);
}

// The base's copy of the setup, which the processor never reads itself.
struct SetupProbe : PlugProcessor
{
	const ProcessSetup& baseSetup () const { return processSetup; }
};

// A rate the engine cannot run at, or one whose delay memory would be out of
// all proportion, is refused before anything of the setup is taken.
TEST (ProcessingSetup, RefusesRatesTooLowOrTooHigh)
{
	IPtr<SetupProbe> probe = owned (new SetupProbe);
	IPtr<IAudioProcessor> processor = U::cast<IAudioProcessor> (static_cast<IAudioProcessor*> (probe.get ()));
	ASSERT_EQ (probe->initialize (nullptr), kResultOk);
	ProcessSetup previous {kRealtime, kSample64, 512, 48000.0};
	ASSERT_EQ (processor->setupProcessing (previous), kResultOk);

	const double inf = std::numeric_limits<double>::infinity ();
	const double refused[] = {0.0, -0.0, -48000.0, std::numeric_limits<double>::quiet_NaN (), inf, -inf,
	                          std::numeric_limits<double>::denorm_min (), 1.0, 3.9,
	                          std::nextafter (kLowestSampleRate, 0.0), std::nextafter (kHighestSampleRate, inf),
	                          20e6, 1e9};
	for (double rate : refused)
	{
		ProcessSetup setup {kOffline, kSample32, 64, rate};
		EXPECT_EQ (processor->setupProcessing (setup), kInvalidArgument) << rate;
		EXPECT_EQ (probe->sampleRate, 48000.0) << rate;
		EXPECT_EQ (probe->baseSetup ().sampleRate, 48000.0) << rate;
		EXPECT_EQ (probe->baseSetup ().symbolicSampleSize, kSample64) << rate;
		EXPECT_EQ (probe->baseSetup ().maxSamplesPerBlock, 512) << rate;
		EXPECT_EQ (probe->baseSetup ().processMode, kRealtime) << rate;
		EXPECT_EQ (processor->getTailSamples (), 24000u) << rate;
	}

	// The lowest accepted, the highest rate the SDK's validator tries, and
	// the highest accepted.
	for (double rate : {kLowestSampleRate, 1234567.8, kHighestSampleRate})
	{
		ProcessSetup setup {kRealtime, kSample32, 512, rate};
		EXPECT_EQ (processor->setupProcessing (setup), kResultOk) << rate;
		EXPECT_EQ (probe->sampleRate, rate);
		EXPECT_EQ (probe->baseSetup ().sampleRate, rate);
	}
	probe->terminate ();
}

TEST_F (ProcessorFixture, TailIsHalfASecondBeyondTheReverbTimeTruncated)
{
	ASSERT_EQ (component->initialize (nullptr), kResultOk);
	EXPECT_EQ (processor->getTailSamples (), 22050u);

	// The reverb time arrives as a restored state, as a host would set it.
	struct Case
	{
		double rvbTime; // normalized: 0.2 s + 1 s x n
		double sampleRate;
		uint32 expected;
	};
	const Case cases[] = {
		{0.15, 44100.0, 37485}, // the default, 350 ms
		{0.0, 44100.0, 30869},  // 200 ms: the product lies just below 30870
		{1.0, 48000.0, 81600},  // 1200 ms
	};
	for (const Case& c : cases)
	{
		ProcessSetup setup {kRealtime, kSample32, 512, c.sampleRate};
		ASSERT_EQ (processor->setupProcessing (setup), kResultOk);
		MemoryStream stream;
		Tarvine::Test::streamOf (Tarvine::Test::defaultRecordWith ({{3, c.rvbTime}}), stream);
		ASSERT_EQ (component->setState (&stream), kResultOk);
		EXPECT_EQ (processor->getTailSamples (), c.expected) << c.rvbTime << " at " << c.sampleRate;
	}
}

} // namespace
