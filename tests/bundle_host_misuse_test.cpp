// The processor of the built bundle driven by hand, as a careless host
// drives it: call orders the VST3 rules do not foresee, blocks without an
// input bus, sample rates no engine can run at. Every answer must be a
// result code or silence, never a crash or stale audio.

#include "bundleprocessor.h"
#include "entry/plugids.h"
#include "processor/paramids.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

constexpr int32 kBlock = 256;

struct Stereo
{
	std::vector<float> left, right;
};

// One block of `input` on both channels of `processor` through `numInputs`
// input buses (0 or 1, the bus array present or not), into output buffers
// that hold something other than silence beforehand.
Stereo processOnce (IAudioProcessor& processor, float input, IParameterChanges* changes, int32 numInputs = 1,
                    bool inputArray = true)
{
	std::vector<float> inL (kBlock, input), inR (kBlock, input);
	Stereo out {std::vector<float> (kBlock, 9.0f), std::vector<float> (kBlock, 9.0f)};
	float* ins[] = {inL.data (), inR.data ()};
	float* outs[] = {out.left.data (), out.right.data ()};
	EXPECT_EQ (Tarvine::Test::processStereo (processor, ins, outs, kBlock, changes, numInputs, inputArray), kResultOk);
	return out;
}

struct CarelessHost : Tarvine::Test::BundleProcessor
{
	ParameterChanges changes {1};

	void SetUp () override
	{
		BundleProcessor::SetUp ();
		ASSERT_EQ (setup (44100.0), kResultOk);
	}

	tresult setup (double sampleRate) { return BundleProcessor::setup (sampleRate, kBlock); }

	// Bypass switched for the next block.
	void setBypass (bool on)
	{
		int32 index = 0;
		if (IParamValueQueue* queue = changes.addParameterData (kParamBypass, index))
			queue->addPoint (0, on ? 1.0 : 0.0, index);
	}

	// One block through processOnce, carrying the queued changes.
	Stereo block (float input, int32 numInputs = 1, bool inputArray = true)
	{
		const Stereo out = processOnce (*processor, input, &changes, numInputs, inputArray);
		changes.clearQueue ();
		return out;
	}

	// A second of signal, so that the delay lines hold a tail.
	void fillTheLines ()
	{
		for (int32 i = 0; i < 44100 / kBlock; ++i)
			block (i % 2 ? 0.5f : -0.5f);
	}
};

bool silent (const Stereo& out)
{
	for (size_t i = 0; i < out.left.size (); ++i)
	{
		if (out.left[i] != 0.0f || out.right[i] != 0.0f)
			return false;
	}
	return true;
}

bool finite (const Stereo& out)
{
	for (size_t i = 0; i < out.left.size (); ++i)
	{
		if (!std::isfinite (out.left[i]) || !std::isfinite (out.right[i]))
			return false;
	}
	return true;
}

// Initialize or terminate while active, without setActive (false) first:
// the next block is silence, the buses are one stereo pair, and a new
// activation brings the reverb back.
TEST_F (CarelessHost, InitializeOrTerminateWhileActive)
{
	struct Case
	{
		const char* what;
		bool terminate;
	};
	const Case cases[] = {{"terminate, then initialize", true}, {"a second initialize", false}};
	for (const Case& c : cases)
	{
		ASSERT_EQ (component->setActive (true), kResultOk) << c.what;
		fillTheLines ();
		if (c.terminate)
		{
			ASSERT_EQ (component->terminate (), kResultOk) << c.what;
		}
		ASSERT_EQ (component->initialize (nullptr), kResultOk) << c.what;
		EXPECT_EQ (component->getBusCount (kAudio, kInput), 1) << c.what;
		EXPECT_EQ (component->getBusCount (kAudio, kOutput), 1) << c.what;
		EXPECT_TRUE (silent (block (0.5f))) << c.what;

		ASSERT_EQ (setup (44100.0), kResultOk) << c.what;
		ASSERT_EQ (component->setActive (true), kResultOk) << c.what;
		const Stereo out = block (0.5f);
		EXPECT_TRUE (finite (out)) << c.what;
		EXPECT_FALSE (silent (out)) << c.what;
		ASSERT_EQ (component->setActive (false), kResultOk) << c.what;
	}
}

// A block without an input bus, told by the count or by a missing bus
// array, gives silence on the output bus, bypassed or not.
TEST_F (CarelessHost, ABlockWithoutAnInputBusIsSilent)
{
	ASSERT_EQ (component->setActive (true), kResultOk);
	fillTheLines ();
	for (bool bypass : {false, true})
	{
		setBypass (bypass);
		block (0.25f);
		const std::string what = bypass ? "bypassed" : "processing";
		EXPECT_TRUE (silent (block (0.5f, 0, false))) << what << ", no bus and no array";
		EXPECT_TRUE (silent (block (0.5f, 0, true))) << what << ", no bus";
		EXPECT_TRUE (silent (block (0.5f, 1, false))) << what << ", no array";
	}
}

// Rates that are not finite, below the lowest or beyond the highest accepted
// are refused at the setup; the highest rate the SDK's validator tries is
// accepted and processed.
TEST_F (CarelessHost, SetupRefusesRatesTheEngineCannotRunAt)
{
	const double inf = std::numeric_limits<double>::infinity ();
	for (double rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN (), inf, 1.0, 3.9, 2e6, 1e9})
		EXPECT_EQ (setup (rate), kInvalidArgument) << rate;
	EXPECT_EQ (processor->getTailSamples (), 22050u) << "the previous rate stands";

	ASSERT_EQ (setup (1234567.8), kResultOk);
	ASSERT_EQ (component->setActive (true), kResultOk);
	const Stereo out = block (0.5f);
	EXPECT_TRUE (finite (out));
	EXPECT_FALSE (silent (out));
}

// A host that sets up, activates and processes a processor it never
// initialized gets what an initialized one gives, not NaN.
TEST_F (CarelessHost, ActivatedWithoutInitializeSoundsLikeAnInitializedProcessor)
{
	IPtr<IComponent> bare = createProcessor ();
	IPtr<IAudioProcessor> bareProcessor = U::cast<IAudioProcessor> (bare);
	ASSERT_TRUE (bareProcessor);
	ProcessSetup setup {kRealtime, kSample32, kBlock, 44100.0};
	ASSERT_EQ (bareProcessor->setupProcessing (setup), kResultOk);
	ASSERT_EQ (bare->setActive (true), kResultOk);
	ASSERT_EQ (component->setActive (true), kResultOk);
	for (int32 i = 0; i < 44100 / kBlock; ++i)
	{
		const float input = i % 2 ? 0.5f : -0.5f;
		const Stereo expected = block (input);
		const Stereo out = processOnce (*bareProcessor, input, nullptr);
		ASSERT_TRUE (finite (out)) << "block " << i;
		ASSERT_EQ (out.left, expected.left) << "block " << i;
		ASSERT_EQ (out.right, expected.right) << "block " << i;
	}
	EXPECT_EQ (bare->setActive (false), kResultOk);
}

// A state restored while active counts for the tail at once, before the
// next block has run.
TEST_F (CarelessHost, TailFollowsAStateRestoredWhileActive)
{
	ASSERT_EQ (component->setActive (true), kResultOk);
	block (0.0f);
	ASSERT_EQ (processor->getTailSamples (), 37485u);

	// The saved record with Rvb Time (the fourth value after the 12-byte
	// header) set to its top, 1.2 s.
	MemoryStream saved;
	ASSERT_EQ (component->getState (&saved), kResultOk);
	ASSERT_EQ (saved.getSize (), 124);
	const double longest = 1.0;
	std::memcpy (saved.getData () + 12 + 3 * 8, &longest, sizeof longest);
	saved.seek (0, IBStream::kIBSeekSet, nullptr);
	ASSERT_EQ (component->setState (&saved), kResultOk);
	EXPECT_EQ (processor->getTailSamples (), static_cast<uint32> ((1200.0 * 0.001 + 0.5) * 44100.0));
}

} // namespace
