#include "controller/plugcontroller.h"
#include "processor/paramids.h"
#include "processor/paramstate.h"
#include "teststreams.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/vst/utility/stringconvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A controller as the factory hands it out, reached through IEditController.
struct ControllerFixture : ::testing::Test
{
	IPtr<PlugController> object = Steinberg::owned (new PlugController ());
	IPtr<IEditController> controller =
	    U::cast<IEditController> (static_cast<IEditController*> (object.get ()));
	// any FUnknown serves as a host context
	IPtr<FUnknown> context = owned (static_cast<FUnknown*> (new MemoryStream));

	void SetUp () override { ASSERT_EQ (controller->initialize (context), kResultOk); }
	void TearDown () override { controller->terminate (); }

	std::string text (ParamID id, ParamValue value)
	{
		String128 string {};
		EXPECT_EQ (controller->getParamStringByValue (id, value, string), kResultTrue);
		return VST3::StringConvert::convert (string);
	}

	std::vector<ParamValue> values ()
	{
		std::vector<ParamValue> result;
		for (ParamID id = 0; id < kNumParams; ++id)
			result.push_back (controller->getParamNormalized (id));
		return result;
	}

	tresult setState (const std::vector<unsigned char>& bytes)
	{
		MemoryStream stream;
		Tarvine::Test::fillStream (stream, bytes);
		return controller->setComponentState (&stream);
	}
};

std::vector<unsigned char> streamOf (const ParamState& record)
{
	MemoryStream stream;
	writeParamState (record, &stream);
	return Tarvine::Test::streamBytes (stream);
}

struct Row
{
	ParamID id;
	const char* title;
	const char* units;
	int32 flags;
	int32 stepCount;
	ParamValue defaultNormalized;
	const char* defaultText;
};

const Row kTable[] = {
    {kParamBypass, "Bypass", "", ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass, 1, 0.0, "Off"},
    {kParamLevel, "Level", "dB", ParameterInfo::kCanAutomate, 0, 0.75, "0.00"},
    {kParamMix, "Mix", "%", ParameterInfo::kCanAutomate, 0, 0.5, "50"},
    {kParamPredelay, "Predelay", "ms", ParameterInfo::kCanAutomate, 0, std::log (20.0) / std::log (250.0), "20.0"},
    {kParamRvbTime, "Rvb Time", "s", ParameterInfo::kCanAutomate, 0, (0.35 - 0.2) / (1.2 - 0.2), "0.35"},
    {kParamDiffusion, "Diffusion", "%", ParameterInfo::kCanAutomate, 0, 1.0, "100"},
    {kParamLPCut, "LPCut", "Hz", ParameterInfo::kCanAutomate, 0, std::log (10.0) / std::log (32.0), "5000"},
};

TEST_F (ControllerFixture, PublishesTheSevenParametersInIdOrder)
{
	ASSERT_EQ (controller->getParameterCount (), 7);
	for (int32 index = 0; index < 7; ++index)
	{
		const Row& row = kTable[index];
		SCOPED_TRACE (row.title);
		ParameterInfo info {};
		ASSERT_EQ (controller->getParameterInfo (index, info), kResultOk);
		EXPECT_EQ (info.id, row.id);
		EXPECT_EQ (VST3::StringConvert::convert (info.title), row.title);
		EXPECT_EQ (VST3::StringConvert::convert (info.units), row.units);
		EXPECT_EQ (info.shortTitle[0], 0);
		EXPECT_EQ (info.flags, row.flags);
		EXPECT_EQ (info.stepCount, row.stepCount);
		EXPECT_EQ (info.unitId, kRootUnitId);
		EXPECT_DOUBLE_EQ (info.defaultNormalizedValue, row.defaultNormalized);
		EXPECT_EQ (controller->getParamNormalized (row.id), info.defaultNormalizedValue);
		EXPECT_EQ (text (row.id, info.defaultNormalizedValue), row.defaultText);
	}
}

TEST_F (ControllerFixture, RangesMeetTheirEndsInPlainValues)
{
	struct Range
	{
		ParamID id;
		ParamValue min, max;
	};
	const Range ranges[] = {{kParamLevel, -36.0, 12.0}, {kParamMix, 0.0, 100.0},
	                        {kParamPredelay, 1.0, 250.0}, {kParamRvbTime, 0.2, 1.2},
	                        {kParamDiffusion, 0.0, 100.0}, {kParamLPCut, 500.0, 16000.0}};
	for (const auto& range : ranges)
	{
		EXPECT_EQ (controller->normalizedParamToPlain (range.id, 0.0), range.min) << range.id;
		EXPECT_NEAR (controller->normalizedParamToPlain (range.id, 1.0), range.max, range.max * 1e-14) << range.id;
		EXPECT_NEAR (controller->plainParamToNormalized (range.id, range.max), 1.0, 1e-15) << range.id;
	}
	EXPECT_EQ (text (kParamBypass, 1.0), "On");
	EXPECT_EQ (text (kParamBypass, 0.5), "Off");
}

TEST_F (ControllerFixture, SecondInitializeChangesNothing)
{
	controller->setParamNormalized (kParamMix, 0.25);
	EXPECT_EQ (controller->initialize (context), kResultOk);
	EXPECT_EQ (controller->getParameterCount (), 7);
	EXPECT_EQ (controller->getParamNormalized (kParamMix), 0.25);
}

TEST (ControllerWithoutContext, SecondInitializeDoesNotAddTheTableTwice)
{
	auto controller = Steinberg::owned (new PlugController ());
	ASSERT_EQ (controller->initialize (nullptr), kResultOk);
	controller->setParamNormalized (kParamLevel, 0.1);
	EXPECT_EQ (controller->initialize (nullptr), kResultOk);
	EXPECT_EQ (controller->getParameterCount (), 7);
	EXPECT_EQ (controller->getParamNormalized (kParamLevel), 0.1);
	controller->terminate ();
}

TEST_F (ControllerFixture, TerminateThenInitializeBuildsTheTableAgain)
{
	controller->setParamNormalized (kParamMix, 0.25);
	controller->terminate ();
	EXPECT_EQ (controller->getParameterCount (), 0);
	ASSERT_EQ (controller->initialize (context), kResultOk);
	EXPECT_EQ (controller->getParameterCount (), 7);
	EXPECT_EQ (controller->getParamNormalized (kParamMix), 0.5);
}

TEST_F (ControllerFixture, MirrorsAProcessorStateStream)
{
	ParamState record;
	record.bypass = true;
	const double written[] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
	std::copy (std::begin (written), std::end (written), record.values);

	EXPECT_EQ (setState (streamOf (record)), kResultOk);
	EXPECT_EQ (values (), (std::vector<ParamValue> {1.0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6}));
}

TEST_F (ControllerFixture, StreamsWithoutAWholeRecordChangeNothing)
{
	controller->setParamNormalized (kParamLevel, 0.1);
	controller->setParamNormalized (kParamBypass, 1.0);
	const auto before = values ();

	ParamState record;
	for (auto& v : record.values)
		v = 0.9;
	const auto whole = streamOf (record);
	for (size_t size : {size_t (0), size_t (1), size_t (12), size_t (60), size_t (123)})
	{
		SCOPED_TRACE (size);
		EXPECT_EQ (setState ({whole.begin (), whole.begin () + static_cast<long> (size)}), kResultFalse);
		EXPECT_EQ (values (), before);
	}
	EXPECT_EQ (controller->setComponentState (nullptr), kResultFalse);
	EXPECT_EQ (values (), before);
}

TEST_F (ControllerFixture, ValuesOutsideTheRangeAreShownClamped)
{
	ParamState record;
	const double inf = std::numeric_limits<double>::infinity ();
	const double written[] = {1.5, std::nan (""), -3.0, inf, -inf, -std::nan ("")};
	std::copy (std::begin (written), std::end (written), record.values);

	EXPECT_EQ (setState (streamOf (record)), kResultOk);
	EXPECT_EQ (values (), (std::vector<ParamValue> {0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0}));
	EXPECT_EQ (text (kParamLevel, controller->getParamNormalized (kParamLevel)), "12.00");
}

TEST_F (ControllerFixture, HostValuesAreClampedAndNanIsZero)
{
	EXPECT_EQ (controller->setParamNormalized (kParamMix, std::nan ("")), kResultTrue);
	EXPECT_EQ (controller->getParamNormalized (kParamMix), 0.0);
	controller->setParamNormalized (kParamMix, 7.0);
	EXPECT_EQ (controller->getParamNormalized (kParamMix), 1.0);
	EXPECT_EQ (controller->setParamNormalized (kNumParams, 0.5), kResultFalse);
}

TEST_F (ControllerFixture, RandomRecordsReadAndShowOnlyValuesInRange)
{
	std::mt19937 random (20261210);
	for (int round = 0; round < 200; ++round)
	{
		std::vector<unsigned char> bytes (124 + round % 7);
		for (auto& byte : bytes)
			byte = static_cast<unsigned char> (random ());
		ASSERT_EQ (setState (bytes), kResultOk);
		for (ParamID id = 0; id < kNumParams; ++id)
		{
			const ParamValue v = controller->getParamNormalized (id);
			ASSERT_TRUE (v >= 0.0 && v <= 1.0) << "round " << round << " id " << id << " value " << v;
			text (id, v);
		}
	}
}

TEST_F (ControllerFixture, UnknownIdsAreRefusedOrPassedThrough)
{
	String128 string {};
	EXPECT_EQ (controller->getParamStringByValue (kNumParams, 0.5, string), kResultFalse);
	ParamValue value = 0.0;
	EXPECT_EQ (controller->getParamValueByString (kNumParams, string, value), kResultFalse);
	EXPECT_EQ (controller->normalizedParamToPlain (kNumParams, 0.3), 0.3);
	EXPECT_EQ (controller->plainParamToNormalized (kNumParams, 0.3), 0.3);
	EXPECT_EQ (controller->getParamNormalized (kNumParams), 0.0);
}

TEST_F (ControllerFixture, TextInputGoesThroughTheParameterClasses)
{
	ParamValue value = 0.0;
	String128 input {};
	VST3::StringConvert::convert ("1000", input);
	ASSERT_EQ (controller->getParamValueByString (kParamLPCut, input, value), kResultTrue);
	EXPECT_NEAR (value, std::log (2.0) / std::log (32.0), 1e-15);
	VST3::StringConvert::convert ("nan", input);
	EXPECT_EQ (controller->getParamValueByString (kParamLevel, input, value), kResultFalse);
}

// What getParamValueByString gives for a text: refused, or the value.
struct TextReading
{
	const char16_t* text;
	bool accepted;
	ParamValue normalized; // when accepted
};

TEST_F (ControllerFixture, BypassReadsItsOwnTextsAndNumbersInsideItsRange)
{
	const TextReading cases[] = {
	    // the texts it shows, as a host writes them back
	    {u"On", true, 1.0},
	    {u"Off", true, 0.0},
	    {u"on", true, 1.0},
	    {u"OFF", true, 0.0},
	    {u" On", true, 1.0},
	    {u"off\t ", true, 0.0},
	    // numbers, clamped into [0, 1]
	    {u"1", true, 1.0},
	    {u"0", true, 0.0},
	    {u"0.25", true, 0.25},
	    {u" 1 ", true, 1.0},
	    {u"5", true, 1.0},
	    {u"-3", true, 0.0},
	    {u"inf", true, 1.0},
	    {u"-inf", true, 0.0},
	    {u"1e400", true, 1.0},
	    // neither a text it shows nor a number
	    {u"nan", false, 0.0},
	    {u"-nan", false, 0.0},
	    {u"Of", false, 0.0},
	    {u"Onn", false, 0.0},
	    {u"O n", false, 0.0},
	    {u"On Off", false, 0.0},
	    {u"", false, 0.0},
	    {u"   ", false, 0.0},
	    {u"yes", false, 0.0},
	    {u"true", false, 0.0},
	    {u"abc", false, 0.0},
	    {u"1.5x", false, 0.0},
	    {u"1 %", false, 0.0},
	    {u"0x10", false, 0.0},
	    {u"0,5", false, 0.0},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE (VST3::StringConvert::convert (std::u16string (c.text)));
		std::u16string text (c.text);
		ParamValue value = -123.0;
		const tresult result =
		    controller->getParamValueByString (kParamBypass, reinterpret_cast<TChar*> (text.data ()), value);
		if (c.accepted)
		{
			EXPECT_EQ (result, kResultTrue);
			EXPECT_EQ (value, c.normalized);
		}
		else
		{
			EXPECT_EQ (result, kResultFalse);
			EXPECT_EQ (value, -123.0);
		}
	}
}

TEST_F (ControllerFixture, MissingTextBuffersAreInvalidArgumentsForEveryId)
{
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	// kNumParams is an id that is not in the table
	for (ParamID id = 0; id <= kNumParams; ++id)
	{
		SCOPED_TRACE (id);
		ParamValue value = -123.0;
		EXPECT_EQ (controller->getParamValueByString (id, nullptr, value), kInvalidArgument);
		EXPECT_EQ (value, -123.0);
		for (ParamValue shown : {0.0, 0.5, 1.0, 1e300, nan})
			EXPECT_EQ (controller->getParamStringByValue (id, shown, nullptr), kInvalidArgument) << shown;
	}
}

TEST_F (ControllerFixture, BrokenTextIsRefusedForEveryParameter)
{
	// a lone surrogate is no UTF-16 at all
	char16_t loneSurrogate[] = {u'1', char16_t (0xD800), u'2', 0};
	char16_t surrogateAfterNumber[] = {u'1', u'2', char16_t (0xDC00), 0};
	for (char16_t* text : {loneSurrogate, surrogateAfterNumber})
	{
		for (ParamID id = 0; id <= kNumParams; ++id)
		{
			SCOPED_TRACE (id);
			ParamValue value = -123.0;
			EXPECT_NO_THROW (EXPECT_EQ (controller->getParamValueByString (id, reinterpret_cast<TChar*> (text), value),
			                            kResultFalse));
			EXPECT_EQ (value, -123.0);
		}
	}
}

// Every parameter's text for values across its range reads back as the
// value shown.
void expectShownTextsReadBack (ControllerFixture& fixture)
{
	IEditController& controller = *fixture.controller;
	for (ParamID id = 0; id < kNumParams; ++id)
	{
		for (ParamValue shown : {0.0, 0.1, 0.3, 0.5, 0.75, 0.9, 1.0})
		{
			SCOPED_TRACE (::testing::Message () << "id " << id << " value " << shown);
			String128 string {};
			ASSERT_EQ (controller.getParamStringByValue (id, shown, string), kResultTrue);
			ParamValue read = -1.0;
			ASSERT_EQ (controller.getParamValueByString (id, string, read), kResultTrue);
			EXPECT_GE (read, 0.0);
			EXPECT_LE (read, 1.0);
			EXPECT_EQ (fixture.text (id, read), fixture.text (id, shown));
		}
	}
}

TEST_F (ControllerFixture, ShownTextsReadBackAsTheValueShown)
{
	expectShownTextsReadBack (*this);
}

// The C library's numbers in a locale whose decimal point is a comma, as a
// host may set it, while the object lives.
class CommaLocale
{
public:
	CommaLocale ()
	{
		const char* current = std::setlocale (LC_NUMERIC, nullptr);
		saved = current ? current : "C";
		for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"})
		{
			if (std::setlocale (LC_NUMERIC, name) && std::string (std::localeconv ()->decimal_point) == ",")
				return;
		}
		std::setlocale (LC_NUMERIC, saved.c_str ());
		saved.clear ();
	}
	~CommaLocale ()
	{
		if (!saved.empty ())
			std::setlocale (LC_NUMERIC, saved.c_str ());
	}
	bool isSet () const { return !saved.empty (); }

private:
	std::string saved;
};

TEST_F (ControllerFixture, TextsAreShownAndReadWithADotInACommaLocale)
{
	// Under ctest, LOCPATH names the locale the build compiled, which must
	// then be found; run by hand elsewhere, the test may have none.
	CommaLocale locale;
	if (!locale.isSet ())
	{
		ASSERT_EQ (std::getenv ("LOCPATH"), nullptr) << "no decimal-comma locale in " << std::getenv ("LOCPATH");
		GTEST_SKIP () << "no locale with a decimal comma is installed here";
	}
	EXPECT_EQ (text (kParamRvbTime, 0.15), "0.35");
	EXPECT_EQ (text (kParamLevel, 0.5), "-12.00");
	expectShownTextsReadBack (*this);
}

// A range's plain ends and how it maps between them.
struct PlainRange
{
	ParamID id;
	ParamValue min, max;
	bool exponential;

	// The mappings inside the range, as the parameter classes compute them.
	ParamValue normalized (ParamValue plain) const
	{
		return exponential ? std::log (plain / min) / std::log (max / min) : (plain - min) / (max - min);
	}
	ParamValue plain (ParamValue normalized) const
	{
		return exponential ? std::exp (std::log (max / min) * normalized) * min : normalized * (max - min) + min;
	}
};

const PlainRange kPlainRanges[] = {
    {kParamBypass, 0.0, 1.0, false},         {kParamLevel, -36.0, 12.0, false},
    {kParamMix, 0.0, 100.0, false},          {kParamPredelay, 1.0, 250.0, true},
    {kParamRvbTime, 0.2, 1.2, false},        {kParamDiffusion, 0.0, 100.0, false},
    {kParamLPCut, 500.0, 16000.0, true},
};

TEST_F (ControllerFixture, PlainValuesOutsideTheRangeGiveItsEnds)
{
	const double inf = std::numeric_limits<double>::infinity ();
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	for (const auto& range : kPlainRanges)
	{
		SCOPED_TRACE (range.id);
		// zero and below are where the exponential mapping has no value
		std::vector<ParamValue> below = {range.min - 1.0, range.min - 1e6, -inf, nan, -nan};
		for (ParamValue v : {0.0, -1.0})
			if (v < range.min)
				below.push_back (v);
		for (ParamValue plain : below)
			EXPECT_EQ (controller->plainParamToNormalized (range.id, plain), 0.0) << plain;
		for (ParamValue plain : {range.max + 1.0, range.max * 1e6 + 1.0, inf})
			EXPECT_EQ (controller->plainParamToNormalized (range.id, plain), 1.0) << plain;
	}
}

TEST_F (ControllerFixture, ValuesInsideTheRangeMapAsTheParameterDoes)
{
	for (const auto& range : kPlainRanges)
	{
		for (double fraction : {0.0, 0.01, 0.25, 0.5, 0.9, 0.999, 1.0})
		{
			const ParamValue plain = range.min + fraction * (range.max - range.min);
			EXPECT_EQ (controller->plainParamToNormalized (range.id, plain), range.normalized (plain))
			    << range.id << " plain " << plain;
			EXPECT_EQ (controller->normalizedParamToPlain (range.id, fraction), range.plain (fraction))
			    << range.id << " normalized " << fraction;
		}
	}
}

TEST_F (ControllerFixture, NormalizedValuesOutsideZeroToOneGiveTheRangesEnds)
{
	const double inf = std::numeric_limits<double>::infinity ();
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	for (const auto& range : kPlainRanges)
	{
		SCOPED_TRACE (range.id);
		const ParamValue atMin = controller->normalizedParamToPlain (range.id, 0.0);
		const ParamValue atMax = controller->normalizedParamToPlain (range.id, 1.0);
		EXPECT_EQ (atMin, range.min);
		EXPECT_NEAR (atMax, range.max, range.max * 1e-14);
		for (ParamValue below : {-0.5, -1.0, -inf, nan, -nan})
			EXPECT_EQ (controller->normalizedParamToPlain (range.id, below), atMin) << below;
		for (ParamValue above : {1.5, 1e300, inf})
			EXPECT_EQ (controller->normalizedParamToPlain (range.id, above), atMax) << above;
	}
}

TEST_F (ControllerFixture, OffersOnlyTheEditControllerInterfaces)
{
	EXPECT_TRUE (U::cast<IEditController2> (controller));
	EXPECT_TRUE (U::cast<IPluginBase> (controller));
	EXPECT_TRUE (U::cast<IConnectionPoint> (controller));
	EXPECT_FALSE (U::cast<IMidiMapping> (controller));
	EXPECT_FALSE (U::cast<IUnitInfo> (controller));
	MemoryStream stream;
	EXPECT_EQ (controller->getState (&stream), kNotImplemented);
	EXPECT_EQ (controller->setState (&stream), kNotImplemented);
	EXPECT_EQ (stream.getSize (), 0);
}

} // namespace
