#include "controller/numbertext.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

TEST (PrintedNumber, ShowsItsDecimalPointAsADotWhateverTheLocalePrinted)
{
	struct Case
	{
		std::u16string printed;
		std::u16string shown;
	};
	const Case cases[] = {
	    {u"0,35", u"0.35"},
	    {u"-12,50", u"-12.50"},
	    {u"0.35", u"0.35"},
	    {u"5000", u"5000"},
	    // a mark of its own, as UTF-16 and as the bytes of its UTF-8 copied
	    // one to a unit, as the SDK's printer on Linux copies them
	    {u"1\u066B5", u"1.5"},
	    {std::u16string {u'1', char16_t (0xFFD9), char16_t (0xFFAB), u'5'}, u"1.5"},
	    {u"inf", u"inf"},
	    {u"-nan", u"-nan"},
	    {u"", u""},
	};
	for (const auto& c : cases)
	{
		std::u16string text = c.printed;
		useDotAsDecimalPoint (reinterpret_cast<TChar*> (text.data ()));
		EXPECT_EQ (std::u16string (text.c_str ()), c.shown);
	}
}

} // namespace
