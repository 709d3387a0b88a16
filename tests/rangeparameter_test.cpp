#include "controller/txexprangeparameter.h"
#include "controller/txrangeparameter.h"

#include "public.sdk/source/vst/utility/stringconvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A range parameter as the controller makes it: automatable, with its precision.
template <typename RangeClass>
IPtr<Parameter> makeRange (const TChar* title, ParamID id, const TChar* units, ParamValue minPlain,
                           ParamValue maxPlain, ParamValue defaultPlain, int32 precision)
{
	auto p = owned (new RangeClass (title, id, units, 1, minPlain, maxPlain, defaultPlain));
	p->setPrecision (precision);
	return p;
}

// The range parameters the tests use, as the controller makes them.
IPtr<Parameter> makeLevel ()
{
	return makeRange<TXRangeParameter> (STR16 ("Level"), 1, STR16 ("dB"), -36.0, 12.0, 0.0, 2);
}
IPtr<Parameter> makeMix ()
{
	return makeRange<TXRangeParameter> (STR16 ("Mix"), 2, STR16 ("%"), 0.0, 100.0, 50.0, 0);
}
IPtr<Parameter> makePredelay ()
{
	return makeRange<TXExpRangeParameter> (STR16 ("Predelay"), 3, STR16 ("ms"), 1.0, 250.0, 20.0, 1);
}
IPtr<Parameter> makeRvbTime ()
{
	return makeRange<TXRangeParameter> (STR16 ("Rvb Time"), 4, STR16 ("s"), 0.2, 1.2, 0.35, 2);
}
IPtr<Parameter> makeLPCut ()
{
	return makeRange<TXExpRangeParameter> (STR16 ("LPCut"), 6, STR16 ("Hz"), 500.0, 16000.0, 5000.0, 0);
}

std::string textOf (Parameter& parameter, ParamValue normalized)
{
	String128 text;
	for (auto& unit : text)
		unit = u'#'; // so that a missing terminator shows
	parameter.toString (normalized, text);
	return VST3::StringConvert::convert (text);
}

struct TextCase
{
	const char* name;
	std::function<IPtr<Parameter> ()> make;
	ParamValue normalized;
	const char* text;
};

// Cases show as their names in test listings.
void PrintTo (const TextCase& c, std::ostream* os)
{
	*os << c.name;
}

class ValueText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P (ValueText, IsThePlainNumberWithTheParametersPrecision)
{
	const auto& c = GetParam ();
	auto parameter = c.make ();
	EXPECT_EQ (textOf (*parameter, c.normalized), c.text);
}

INSTANTIATE_TEST_SUITE_P (
    Cases, ValueText,
    ::testing::Values (
        TextCase {"LevelMin", makeLevel, 0.0, "-36.00"},
        TextCase {"LevelMax", makeLevel, 1.0, "12.00"},
        TextCase {"LevelZero", makeLevel, 0.75, "0.00"},
        // about -0.000048 dB: snapped, so no minus sign
        TextCase {"LevelJustBelowZero", makeLevel, 0.749999, "0.00"},
        // -0.0048 dB is beyond the snap and keeps its sign
        TextCase {"LevelBelowSnap", makeLevel, 0.7499, "-0.00"},
        TextCase {"LevelBeyondRangeIsNotClamped", makeLevel, 1.5, "36.00"},
        TextCase {"MixHalfHasNoDecimalPoint", makeMix, 0.5, "50"},
        TextCase {"MixMax", makeMix, 1.0, "100"},
        TextCase {"RvbTimeMax", makeRvbTime, 1.0, "1.20"},
        TextCase {"RvbTimeDefault", makeRvbTime, 0.15, "0.35"},
        TextCase {"PredelayMin", makePredelay, 0.0, "1.0"},
        TextCase {"PredelayMax", makePredelay, 1.0, "250.0"},
        TextCase {"PredelayBelowRange", makePredelay, -1.0, "0.0"},
        TextCase {"PredelayProcessorDefault", makePredelay, 0.542562, "20.0"},
        TextCase {"LPCutMin", makeLPCut, 0.0, "500"},
        TextCase {"LPCutMax", makeLPCut, 1.0, "16000"},
        TextCase {"LPCutProcessorDefault", makeLPCut, 0.664386, "5000"},
        // numbers too long for the 128-unit text are refused, not overrun
        TextCase {"LevelHugeIsEmpty", makeLevel, 1e300, ""},
        TextCase {"PredelayHugeIsEmpty", makePredelay, 100.0, ""},
        TextCase {"LevelInfinite", makeLevel, std::numeric_limits<double>::infinity (), "inf"}),
    [] (const auto& info) { return std::string (info.param.name); });

TEST (RangeParameterText, IsPrintedWholeOnlyWhenItFitsEveryPlatformsPrinter)
{
	// The SDK's printer on macOS fills only 64 of the 128 units, so 63 units
	// and a terminator are the longest text that comes out whole everywhere.
	struct Case
	{
		std::function<IPtr<Parameter> ()> make;
		ParamValue normalized;
		size_t length; // 0: refused, the empty text
	};
	const Case cases[] = {
	    {makeLevel, 1e58, 63},  // 4.8e59 dB: 60 digits and ".00"
	    {makeLevel, 1e59, 0},   // 61 digits and ".00"
	    {makeLevel, -1e58, 0},  // a minus sign, 60 digits and ".00"
	    {makeMix, 2e60, 63},    // 2e62 %: 63 digits, no decimal point
	    {makeMix, 2e61, 0},     // 64 digits
	};
	for (const auto& c : cases)
	{
		auto parameter = c.make ();
		const std::string text = textOf (*parameter, c.normalized);
		EXPECT_EQ (text.size (), c.length) << c.normalized << ": " << text;
		if (c.length > 0)
		{
			EXPECT_EQ (text.find_first_not_of ("0123456789."), std::string::npos) << text;
		}
	}
}

TEST (RangeParameterDefaults, AreMappedByTheClassesOwnMapping)
{
	struct Case
	{
		std::function<IPtr<Parameter> ()> make;
		ParamValue expected;
	};
	const Case cases[] = {
	    {makeLevel, 0.75},
	    {makeMix, 0.5},
	    {makeRvbTime, (0.35 - 0.2) / (1.2 - 0.2)},
	    // exponential, not the linear (20 - 1) / 249
	    {makePredelay, std::log (20.0) / std::log (250.0)},
	    {makeLPCut, std::log (10.0) / std::log (32.0)},
	};
	for (const auto& c : cases)
	{
		auto parameter = c.make ();
		EXPECT_DOUBLE_EQ (parameter->getInfo ().defaultNormalizedValue, c.expected);
		EXPECT_EQ (parameter->getNormalized (), parameter->getInfo ().defaultNormalizedValue);
	}
}

TEST (RangeParameterDefaults, DefaultOutsideTheRangeIsNotClamped)
{
	TXExpRangeParameter parameter (STR16 ("P"), 3, nullptr, 1, 1.0, 250.0, 500.0);
	EXPECT_GT (parameter.getInfo ().defaultNormalizedValue, 1.0);
}

TEST (RangeParameterInfo, HoldsTitleUnitsFlagsAndIdWithoutStepsOrUnit)
{
	TXRangeParameter linear (STR16 ("Level"), 1, STR16 ("dB"), 1, -36.0, 12.0, 0.0);
	TXExpRangeParameter exponential (STR16 ("LPCut"), 6, nullptr, 0x10001, 500.0, 16000.0, 5000.0);
	for (Parameter* parameter : {static_cast<Parameter*> (&linear), static_cast<Parameter*> (&exponential)})
	{
		const auto& info = parameter->getInfo ();
		EXPECT_EQ (info.stepCount, 0);
		EXPECT_EQ (info.unitId, kRootUnitId);
		EXPECT_EQ (info.shortTitle[0], 0);
		EXPECT_EQ (parameter->getPrecision (), 4);
	}
	EXPECT_EQ (VST3::StringConvert::convert (linear.getInfo ().title), "Level");
	EXPECT_EQ (VST3::StringConvert::convert (linear.getInfo ().units), "dB");
	EXPECT_EQ (linear.getInfo ().id, 1u);
	EXPECT_EQ (linear.getInfo ().flags, 1);
	EXPECT_EQ (exponential.getInfo ().units[0], 0);
	EXPECT_EQ (exponential.getInfo ().flags, 0x10001);
	EXPECT_EQ (exponential.getInfo ().id, 6u);
	// both answer the type queries as the SDK's range parameter
	EXPECT_TRUE (linear.isA (RangeParameter::getFClassID ()));
	EXPECT_TRUE (exponential.isA (RangeParameter::getFClassID ()));
}

TEST (RangeParameterInfo, LongTitleIsCutToWhatAString128Holds)
{
	std::u16string title (200, u'x');
	TXRangeParameter parameter (reinterpret_cast<const TChar*> (title.c_str ()), 1, nullptr, 1, 0.0,
	                            1.0, 0.0);
	EXPECT_EQ (VST3::StringConvert::convert (parameter.getInfo ().title), std::string (127, 'x'));
}

TEST (ExponentialMapping, MeetsTheRangeEndsAndExtendsBeyondThem)
{
	auto predelay = makePredelay ();
	auto lpCut = makeLPCut ();
	EXPECT_EQ (predelay->toPlain (0.0), 1.0);
	EXPECT_EQ (lpCut->toPlain (0.0), 500.0);
	EXPECT_NEAR (predelay->toPlain (1.0), 250.0, 250.0 * 1e-14);
	EXPECT_NEAR (lpCut->toPlain (1.0), 16000.0, 16000.0 * 1e-14);
	EXPECT_EQ (predelay->toNormalized (1.0), 0.0);
	EXPECT_EQ (predelay->toNormalized (250.0), 1.0);
	EXPECT_EQ (lpCut->toNormalized (16000.0), 1.0);
	EXPECT_NEAR (predelay->toPlain (-1.0), 0.004, 1e-15);
	EXPECT_EQ (predelay->toNormalized (0.0), -std::numeric_limits<double>::infinity ());
	EXPECT_TRUE (std::isnan (predelay->toNormalized (-1.0)));
	// equal normalized steps multiply the plain value by equal factors
	EXPECT_NEAR (lpCut->toPlain (0.4) / lpCut->toPlain (0.2), lpCut->toPlain (0.6) / lpCut->toPlain (0.4), 1e-12);
}

TEST (LinearMapping, IsTheRangeParametersOwnAndDoesNotClamp)
{
	auto level = makeLevel ();
	EXPECT_EQ (level->toPlain (0.0), -36.0);
	EXPECT_EQ (level->toPlain (0.75), 0.0);
	EXPECT_EQ (level->toPlain (-0.5), -60.0);
	EXPECT_EQ (level->toNormalized (36.0), 1.5);
}

struct FromStringCase
{
	const char* name;
	std::function<IPtr<Parameter> ()> make;
	const char16_t* text;
	bool accepted;
	ParamValue normalized; // when accepted
};

void PrintTo (const FromStringCase& c, std::ostream* os)
{
	*os << c.name;
}

class TextInput : public ::testing::TestWithParam<FromStringCase>
{
};

TEST_P (TextInput, IsReadClampedIntoTheRangeAndMappedByTheClass)
{
	const auto& c = GetParam ();
	auto parameter = c.make ();
	ParamValue value = -123.0;
	ASSERT_EQ (parameter->fromString (reinterpret_cast<const TChar*> (c.text), value), c.accepted);
	if (c.accepted)
		EXPECT_EQ (value, c.normalized);
	else
		EXPECT_EQ (value, -123.0);
}

// Every text has one answer on every platform: a number, blanks around it,
// and the parameter's own units; nothing else.
INSTANTIATE_TEST_SUITE_P (
    Cases, TextInput,
    ::testing::Values (
        FromStringCase {"PredelayAboveRange", makePredelay, u"300", true, 1.0},
        FromStringCase {"LPCutBelowRange", makeLPCut, u"10", true, 0.0},
        FromStringCase {"LPCutInRange", makeLPCut, u"1000", true, std::log (2.0) / std::log (32.0)},
        FromStringCase {"PredelayDefault", makePredelay, u"20", true, std::log (20.0) / std::log (250.0)},
        FromStringCase {"LevelZero", makeLevel, u"0", true, 0.75},
        FromStringCase {"LevelPlusSign", makeLevel, u"+6", true, 0.875},
        FromStringCase {"RvbTimeLeadingPoint", makeRvbTime, u".5", true, (0.5 - 0.2) / (1.2 - 0.2)},
        FromStringCase {"RvbTimeTrailingPoint", makeRvbTime, u"1.", true, (1.0 - 0.2) / (1.2 - 0.2)},
        FromStringCase {"MixExponent", makeMix, u"2.5E1", true, 0.25},
        FromStringCase {"MixManyDigitsAndExponent", makeMix, u"0.0000000000000000000000025e25", true, 0.25},
        FromStringCase {"BlanksAround", makeMix, u" \t25\t ", true, 0.25},
        // the parameter's own units, as a user copies a value with them
        FromStringCase {"LevelWithUnits", makeLevel, u"-12 dB", true, 0.5},
        FromStringCase {"LevelUnitsWithoutBlank", makeLevel, u"-12dB", true, 0.5},
        FromStringCase {"LevelUnitsInAnyCase", makeLevel, u"-12 DB ", true, 0.5},
        FromStringCase {"MixPercent", makeMix, u"25%", true, 0.25},
        FromStringCase {"PredelayMilliseconds", makePredelay, u"20 ms", true, std::log (20.0) / std::log (250.0)},
        FromStringCase {"LPCutHertz", makeLPCut, u"1000 Hz", true, std::log (2.0) / std::log (32.0)},
        // infinities and numbers beyond a double's range reach the range's ends
        FromStringCase {"MixInfinityIsClamped", makeMix, u"inf", true, 1.0},
        FromStringCase {"LevelMinusInfinityWord", makeLevel, u"-Infinity", true, 0.0},
        FromStringCase {"MixHugeExponent", makeMix, u"1e400", true, 1.0},
        FromStringCase {"MixHugeNegative", makeMix, u"-1e400", true, 0.0},
        FromStringCase {"MixExponentBeyondAnyCount", makeMix, u"1e99999999999999999999", true, 1.0},
        FromStringCase {"LevelTinyExponentIsZero", makeLevel, u"1e-400", true, 0.75},
        // no number, or other text after it
        FromStringCase {"NotANumber", makeMix, u"abc", false, 0.0},
        FromStringCase {"EmptyText", makeLevel, u"", false, 0.0},
        FromStringCase {"OnlyBlanks", makeLevel, u"   ", false, 0.0},
        FromStringCase {"OnlyUnits", makeLevel, u"dB", false, 0.0},
        FromStringCase {"SignOnly", makeLevel, u"-", false, 0.0},
        FromStringCase {"PointOnly", makeLevel, u".", false, 0.0},
        FromStringCase {"SignApartFromDigits", makeLevel, u"- 5", false, 0.0},
        FromStringCase {"OtherTextAfter", makeMix, u"1.5x", false, 0.0},
        FromStringCase {"TwoNumbers", makeMix, u"1 2", false, 0.0},
        FromStringCase {"ExponentWithoutDigits", makeMix, u"2e", false, 0.0},
        FromStringCase {"Hexadecimal", makeMix, u"0x10", false, 0.0},
        FromStringCase {"DecimalComma", makeRvbTime, u"0,5", false, 0.0},
        FromStringCase {"TrueIsNoNumber", makeMix, u"true", false, 0.0},
        FromStringCase {"OtherUnits", makePredelay, u"20 s", false, 0.0},
        FromStringCase {"ScaledUnits", makeLPCut, u"1 kHz", false, 0.0},
        FromStringCase {"UnitsTwice", makeLevel, u"-12 dB dB", false, 0.0},
        FromStringCase {"NewlineIsNoBlank", makeMix, u"5\n", false, 0.0},
        FromStringCase {"FullWidthDigit", makeMix, u"\uFF15", false, 0.0},
        // a NaN would reach the host as a normalized value
        FromStringCase {"NanIsRefused", makeLevel, u"nan", false, 0.0},
        FromStringCase {"NanIsRefusedExponential", makeLPCut, u"nan", false, 0.0}),
    [] (const auto& info) { return std::string (info.param.name); });

// A decimal text as a user or host writes it: the shown text and longer or
// shorter forms of plain values in and a little beyond the range.
std::vector<std::string> decimalTextsAcross (ParamValue minPlain, ParamValue maxPlain)
{
	std::vector<std::string> texts {"0", "-0"};
	const ParamValue margin = (maxPlain - minPlain) / 10.0;
	const int steps = 2000;
	for (int step = 0; step <= steps; ++step)
	{
		const ParamValue plain = (minPlain - margin) + (maxPlain - minPlain + 2.0 * margin) * step / steps;
		for (const char* format : {"%.0f", "%.2f", "%.6f", "%.17g", "%.3e", "%g"})
		{
			char text[64];
			std::snprintf (text, sizeof text, format, plain);
			texts.emplace_back (text);
		}
	}
	return texts;
}

TEST (TextInputDecimal, ReadsBitForBitAsTheSdksOwnRangeReading)
{
	// The SDK's own reading (the C library's correctly rounded scan, then
	// the class's mapping) is the reference: a value a user types in plain
	// decimals must read as it does there, to the bit.
	for (const auto& make : {makeLevel, makeMix, makePredelay, makeRvbTime, makeLPCut})
	{
		auto parameter = make ();
		auto* range = dynamic_cast<RangeParameter*> (parameter.get ());
		ASSERT_NE (range, nullptr);
		for (const std::string& text : decimalTextsAcross (range->getMin (), range->getMax ()))
		{
			const std::u16string wide (text.begin (), text.end ());
			const auto* typed = reinterpret_cast<const TChar*> (wide.c_str ());
			ParamValue sdk = -123.0;
			ParamValue ours = -123.0;
			ASSERT_TRUE (range->RangeParameter::fromString (typed, sdk)) << text;
			ASSERT_TRUE (parameter->fromString (typed, ours)) << text;
			ASSERT_EQ (std::memcmp (&sdk, &ours, sizeof sdk), 0) << text << ": " << sdk << " " << ours;
		}
	}
}

TEST (TextInputNull, IsRefused)
{
	auto level = makeLevel ();
	ParamValue value = 0.25;
	EXPECT_FALSE (level->fromString (nullptr, value));
	EXPECT_EQ (value, 0.25);
}

TEST (ValueTextNull, IsNotWritten)
{
	for (const auto& make : {makeLevel, makeMix, makePredelay, makeRvbTime, makeLPCut})
		make ()->toString (0.5, nullptr);
}

} // namespace
