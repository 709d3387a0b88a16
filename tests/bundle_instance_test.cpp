#include "bundletest.h"
#include "plugininstance.h"
#include "processor/paramids.h"
#include "stereorenderer.h"
#include "teststreams.h"

#include "public.sdk/source/common/memorystream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Tarvine::Hosting::PluginInstance;
using Tarvine::Hosting::StereoRenderer;

namespace {

// One processor and controller pair from the loaded bundle.
struct InstanceFixture : Tarvine::Test::BundleFixture
{
	std::unique_ptr<PluginInstance> instance;

	void SetUp () override
	{
		BundleFixture::SetUp ();
		std::string error;
		instance = PluginInstance::create (module, error);
		ASSERT_TRUE (instance) << error;
	}
	void TearDown () override { instance.reset (); }
};

TEST_F (InstanceFixture, ControllerShowsTheProcessorsSavedDefaults)
{
	MemoryStream stream;
	ASSERT_EQ (instance->component ().getState (&stream), kResultOk);
	ASSERT_EQ (stream.getSize (), 124);
	stream.seek (0, IBStream::kIBSeekSet, nullptr);
	ASSERT_EQ (instance->controller ().setComponentState (&stream), kResultOk);

	struct Expected
	{
		ParamID id;
		ParamValue normalized;
		const char* text;
	};
	const Expected expected[] = {
	    {kParamBypass, 0.0, "Off"},    {kParamLevel, 0.75, "0.00"},    {kParamMix, 0.5, "50"},
	    {kParamPredelay, 0.542562, "20.0"}, {kParamRvbTime, 0.15, "0.35"}, {kParamDiffusion, 1.0, "100"},
	    {kParamLPCut, 0.664386, "5000"},
	};
	for (const auto& e : expected)
	{
		const ParamValue value = instance->controller ().getParamNormalized (e.id);
		EXPECT_EQ (value, e.normalized) << e.id;
		EXPECT_EQ (instance->valueText (e.id, value), e.text) << e.id;
	}
}

// A host stream may move a few bytes per call, and may answer kResultFalse
// for a call that moved every byte asked for (the SDK's own stream helper
// counts only the bytes): a saved record is restored whole by the processor
// and the controller all the same, and saved whole with kResultOk. A stream
// that ends before the record does is refused, and what was restored before
// stays.
TEST_F (InstanceFixture, StateThroughStreamsJudgedByTheBytesEachCallMoved)
{
	using Tarvine::Test::TrickleStream;
	MemoryStream saved;
	ASSERT_EQ (instance->component ().getState (&saved), kResultOk);
	std::vector<unsigned char> record = Tarvine::Test::streamBytes (saved);
	ASSERT_EQ (record.size (), 124u);
	const size_t mixAt = 12 + 8; // the second value after the 12-byte header
	const double mix = 0.125;
	std::memcpy (record.data () + mixAt, &mix, sizeof mix);
	// Another record, which ends after 100 of its bytes.
	std::vector<unsigned char> cutShort = record;
	const double otherMix = 0.875;
	std::memcpy (cutShort.data () + mixAt, &otherMix, sizeof otherMix);
	cutShort.resize (100);

	IComponent& component = instance->component ();
	IEditController& controller = instance->controller ();
	for (tresult answer : {kResultOk, kResultFalse})
	{
		for (int32 chunk : {124, 7, 4, 1})
		{
			SCOPED_TRACE (testing::Message () << "chunk " << chunk << (answer == kResultOk ? ", kResultOk" : ", kResultFalse"));
			TrickleStream forProcessor (chunk, record, answer);
			ASSERT_EQ (component.setState (&forProcessor), kResultOk);
			TrickleStream resaved (chunk, {}, answer);
			ASSERT_EQ (component.getState (&resaved), kResultOk);
			EXPECT_EQ (resaved.written (), record);

			TrickleStream forController (chunk, record, answer);
			ASSERT_EQ (controller.setComponentState (&forController), kResultOk);
			EXPECT_EQ (controller.getParamNormalized (kParamMix), mix);

			TrickleStream shortForProcessor (chunk, cutShort, answer);
			EXPECT_EQ (component.setState (&shortForProcessor), kResultFalse);
			TrickleStream kept (chunk, {}, answer);
			ASSERT_EQ (component.getState (&kept), kResultOk);
			EXPECT_EQ (kept.written (), record);

			TrickleStream shortForController (chunk, cutShort, answer);
			EXPECT_EQ (controller.setComponentState (&shortForController), kResultFalse);
			EXPECT_EQ (controller.getParamNormalized (kParamMix), mix);

			// The next case starts from other values again.
			MemoryStream defaults;
			Tarvine::Test::fillStream (defaults, Tarvine::Test::streamBytes (saved));
			ASSERT_EQ (component.setState (&defaults), kResultOk);
			ASSERT_EQ (controller.setParamNormalized (kParamMix, 0.5), kResultOk);
		}
	}
}

TEST_F (InstanceFixture, HostTextsAndPlainValuesComeBackInsideTheRanges)
{
	IEditController& controller = instance->controller ();

	// Bypass reads back the texts it shows.
	for (ParamValue shown : {0.0, 1.0})
	{
		String128 text {};
		ASSERT_EQ (controller.getParamStringByValue (kParamBypass, shown, text), kResultTrue);
		ParamValue read = -1.0;
		EXPECT_EQ (controller.getParamValueByString (kParamBypass, text, read), kResultTrue);
		EXPECT_EQ (read, shown);
	}

	const double nan = std::numeric_limits<double>::quiet_NaN ();
	const double inf = std::numeric_limits<double>::infinity ();
	for (ParamID id = 0; id < kNumParams; ++id)
	{
		SCOPED_TRACE (id);
		// a missing text buffer, in either direction
		ParamValue read = -1.0;
		EXPECT_EQ (controller.getParamValueByString (id, nullptr, read), kInvalidArgument);
		EXPECT_EQ (read, -1.0);
		EXPECT_EQ (controller.getParamStringByValue (id, 0.5, nullptr), kInvalidArgument);
		for (ParamValue plain : {-1e9, -inf, nan})
			EXPECT_EQ (controller.plainParamToNormalized (id, plain), 0.0) << plain;
		for (ParamValue plain : {1e9, inf})
			EXPECT_EQ (controller.plainParamToNormalized (id, plain), 1.0) << plain;
		EXPECT_EQ (controller.normalizedParamToPlain (id, nan), controller.normalizedParamToPlain (id, 0.0));
		EXPECT_EQ (controller.normalizedParamToPlain (id, 2.0), controller.normalizedParamToPlain (id, 1.0));
	}
	// zero and below, where the exponential ranges have no logarithm
	for (ParamID id : {kParamPredelay, kParamLPCut})
		for (ParamValue plain : {0.0, -1.0})
			EXPECT_EQ (controller.plainParamToNormalized (id, plain), 0.0) << id << " " << plain;
}

// Stereo blocks through the loaded processor.
template <typename Sample>
struct Render
{
	static constexpr double kRate = 44100.0;
	static constexpr int32 kBlock = 256;

	std::vector<Sample> left, right;

	// Runs `in` (both channels) through the renderer in blocks.
	static tresult run (StereoRenderer<Sample>& renderer, const std::vector<Sample>& inLeft,
	                    const std::vector<Sample>& inRight, Render& out)
	{
		out.left.assign (inLeft.size (), Sample (0));
		out.right.assign (inRight.size (), Sample (0));
		for (size_t pos = 0; pos < inLeft.size (); pos += kBlock)
		{
			const auto n = static_cast<int32> (std::min<size_t> (kBlock, inLeft.size () - pos));
			const tresult result = renderer.process (&inLeft[pos], &inRight[pos], &out.left[pos],
			                                         &out.right[pos], n);
			if (result != kResultOk)
				return result;
		}
		return kResultOk;
	}
};

template <typename Sample>
class AudioThroughTheBundle : public InstanceFixture
{
};

using SampleTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE (AudioThroughTheBundle, SampleTypes);

TYPED_TEST (AudioThroughTheBundle, AnImpulseLeavesAReverbTail)
{
	using Sample = TypeParam;
	using R = Render<Sample>;
	StereoRenderer<Sample> renderer (this->instance->component (), this->instance->processor ());
	ASSERT_EQ (renderer.start (R::kRate, R::kBlock), kResultOk);

	// The activation crossfade keeps the reverb input silent for about the
	// first 450 ms, so the impulse comes after it.
	const size_t impulseAt = static_cast<size_t> (0.6 * R::kRate);
	std::vector<Sample> inLeft (static_cast<size_t> (2.0 * R::kRate), Sample (0));
	std::vector<Sample> inRight = inLeft;
	inLeft[impulseAt] = Sample (0.5);
	inRight[impulseAt] = Sample (0.5);

	R out;
	ASSERT_EQ (R::run (renderer, inLeft, inRight, out), kResultOk);

	double before = 0.0, tail = 0.0;
	for (size_t i = 0; i < out.left.size (); ++i)
	{
		ASSERT_TRUE (std::isfinite (out.left[i]) && std::isfinite (out.right[i])) << i;
		const double energy = double (out.left[i]) * out.left[i] + double (out.right[i]) * out.right[i];
		if (i < impulseAt)
			before += energy;
		else if (i > impulseAt + 64)
			tail += energy;
	}
	EXPECT_LT (before, 1e-20); // silence in, silence out (but for anti-denormal dust)
	EXPECT_GT (tail, 1e-6);
	EXPECT_NE (out.left[impulseAt], Sample (0)); // the dry half of the mix

	// The reported tail is half a second beyond the default reverb time.
	EXPECT_EQ (this->instance->processor ().getTailSamples (), static_cast<uint32> ((0.35 + 0.5) * R::kRate));
}

TYPED_TEST (AudioThroughTheBundle, BypassCopiesTheInputUnchanged)
{
	using Sample = TypeParam;
	using R = Render<Sample>;
	StereoRenderer<Sample> renderer (this->instance->component (), this->instance->processor ());
	ASSERT_EQ (renderer.start (R::kRate, R::kBlock), kResultOk);

	std::mt19937 random (7);
	std::uniform_real_distribution<double> noise (-1.0, 1.0);
	std::vector<Sample> inLeft (R::kBlock * 8), inRight (R::kBlock * 8);
	for (size_t i = 0; i < inLeft.size (); ++i)
	{
		inLeft[i] = Sample (noise (random));
		inRight[i] = Sample (noise (random));
	}

	renderer.setParameter (kParamBypass, 1.0);
	R out;
	ASSERT_EQ (R::run (renderer, inLeft, inRight, out), kResultOk);
	EXPECT_EQ (out.left, inLeft);
	EXPECT_EQ (out.right, inRight);
}

TEST_F (InstanceFixture, AutomatedValuesComeBackThroughTheSavedState)
{
	StereoRenderer<float> renderer (instance->component (), instance->processor ());
	ASSERT_EQ (renderer.start (48000.0, 128), kResultOk);

	// Plain values as a host's automation lane holds them.
	struct Change
	{
		ParamID id;
		ParamValue plain;
		const char* text;
	};
	const Change changes[] = {{kParamMix, 30.0, "30"},       {kParamPredelay, 100.0, "100.0"},
	                          {kParamRvbTime, 1.0, "1.00"},  {kParamLPCut, 2000.0, "2000"},
	                          {kParamLevel, -6.0, "-6.00"},  {kParamDiffusion, 40.0, "40"}};
	for (const auto& c : changes)
		renderer.setParameter (c.id, instance->controller ().plainParamToNormalized (c.id, c.plain));

	std::vector<float> silence (128, 0.0f), outLeft (128), outRight (128);
	ASSERT_EQ (renderer.process (silence.data (), silence.data (), outLeft.data (), outRight.data (), 128),
	           kResultOk);
	renderer.stop ();

	ASSERT_TRUE (instance->mirrorStateToController ());
	for (const auto& c : changes)
	{
		const ParamValue value = instance->controller ().getParamNormalized (c.id);
		EXPECT_NEAR (instance->controller ().normalizedParamToPlain (c.id, value), c.plain, 1e-9) << c.id;
		EXPECT_EQ (instance->valueText (c.id, value), c.text) << c.id;
	}
}

} // namespace
