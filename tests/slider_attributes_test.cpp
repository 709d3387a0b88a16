// The slider attributes of a UI description, read through VSTGUI's view factory
// (which creates a "CSlider" and runs its creator chain) and written back
// through the slider view creator, with the added "TX free click" mode.

#include "slider_test_support.h"

#include "vstgui/lib/cview.h"
#include "vstgui/lib/cviewcontainer.h"
#include "vstgui/uidescription/uiattributes.h"
#include "vstgui/uidescription/uicontentprovider.h"
#include "vstgui/uidescription/uidescription.h"
#include "vstgui/uidescription/uiviewfactory.h"
#include "vstgui/uidescription/viewcreator/sliderviewcreator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace VSTGUI;
using SliderBaseCreator = UIViewCreator::SliderBaseCreator;
using SliderCreator = UIViewCreator::SliderCreator;
using Attribute = std::pair<std::string, std::string>;

constexpr int32_t kH = CSliderBase::kHorizontal;
constexpr int32_t kV = CSliderBase::kVertical;
constexpr int32_t kL = CSliderBase::kLeft;
constexpr int32_t kR = CSliderBase::kRight;
constexpr int32_t kT = CSliderBase::kTop;
constexpr int32_t kB = CSliderBase::kBottom;

int modeNumber (CSliderMode mode) { return static_cast<int> (mode); }

UIAttributes nodeAttributes (const std::vector<Attribute>& attributes)
{
	UIAttributes node;
	for (const auto& [name, value] : attributes)
		node.setAttribute (name, value);
	return node;
}

// The attributes as they stand in the description, for failure messages.
std::string nodeText (const std::vector<Attribute>& attributes)
{
	std::string text;
	for (const auto& [name, value] : attributes)
		text += name + "=\"" + value + "\" ";
	return text;
}

// A slider as the editor gets it from a "CSlider" node of its description.
SharedPointer<CSlider> sliderFromNode (const std::vector<Attribute>& attributes)
{
	auto node = nodeAttributes (attributes);
	node.setAttribute ("class", "CSlider");
	UIViewFactory factory;
	SharedPointer<CView> view (factory.createView (node, nullptr), false);
	return SharedPointer<CSlider> (view.cast<CSlider> ());
}

class SliderAttributes : public ::testing::Test
{
protected:
	// The same creator class the factory registers for "CSlider"; a second
	// instance leaves the registration as it is.
	const SliderCreator creator;

	std::optional<std::string> written (CView* view, const std::string& name) const
	{
		std::string text;
		if (!creator.getAttributeValue (view, name, text, nullptr))
			return std::nullopt;
		return text;
	}
};

TEST_F (SliderAttributes, TheModeTableHoldsSixStringsInModeOrder)
{
	const auto& strings = SliderBaseCreator::sliderModeStrings ();
	const std::vector<std::string> expected {"touch", "relative touch", "free click",
	                                         "TX free click", "ramp", "use global"};
	ASSERT_EQ (strings.size (), expected.size ());
	for (size_t i = 0; i < expected.size (); ++i)
		EXPECT_EQ (strings[i], expected[i]) << "mode " << i;
	EXPECT_EQ (&SliderBaseCreator::sliderModeStrings (), &strings);

	EXPECT_EQ (modeNumber (CSliderMode::Touch), 0);
	EXPECT_EQ (modeNumber (CSliderMode::RelativeTouch), 1);
	EXPECT_EQ (modeNumber (CSliderMode::FreeClick), 2);
	EXPECT_EQ (modeNumber (CSliderMode::TXFreeClick), 3);
	EXPECT_EQ (modeNumber (CSliderMode::Ramp), 4);
	EXPECT_EQ (modeNumber (CSliderMode::UseGlobal), 5);
}

TEST_F (SliderAttributes, ModeStringSelectsItsNumberOnExactMatchOnly)
{
	struct Case
	{
		const char* value;
		CSliderMode expected;
	};
	const Case cases[] = {
	    {"touch", CSliderMode::Touch},
	    {"relative touch", CSliderMode::RelativeTouch},
	    {"free click", CSliderMode::FreeClick},
	    {"TX free click", CSliderMode::TXFreeClick},
	    {"ramp", CSliderMode::Ramp},
	    {"use global", CSliderMode::UseGlobal},
	    // anything else leaves the new slider's own mode, "use global"
	    {"Touch", CSliderMode::UseGlobal},
	    {"touch ", CSliderMode::UseGlobal},
	    {" touch", CSliderMode::UseGlobal},
	    {"tx free click", CSliderMode::UseGlobal},
	    {"TX free", CSliderMode::UseGlobal},
	    {"TX free click!", CSliderMode::UseGlobal},
	    {"3", CSliderMode::UseGlobal},
	    {"", CSliderMode::UseGlobal},
	};
	for (const auto& c : cases)
	{
		auto slider = sliderFromNode ({{"mode", c.value}});
		ASSERT_TRUE (slider) << c.value;
		EXPECT_EQ (modeNumber (slider->getSliderMode ()), modeNumber (c.expected))
		    << "mode=\"" << c.value << "\"";
	}
}

TEST_F (SliderAttributes, ANodeWithoutModeFollowsTheGlobalTXFreeClick)
{
	auto slider = sliderFromNode ({});
	ASSERT_TRUE (slider);
	EXPECT_EQ (slider->getSliderMode (), CSliderMode::UseGlobal);
	EXPECT_EQ (CSliderBase::getGlobalMode (), CSliderMode::TXFreeClick);
	EXPECT_EQ (slider->getEffectiveSliderMode (), CSliderMode::TXFreeClick);
	EXPECT_EQ (written (slider, "mode"), "use global");
}

TEST_F (SliderAttributes, ADescriptionsSlidersWithoutAModeRunInTXFreeClick)
{
	static constexpr char xml[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<vstgui-ui-description version="1">
	<template class="CViewContainer" name="view" origin="0, 0" size="200, 100">
		<view class="CSlider" origin="10, 10" size="120, 20" orientation="horizontal"/>
		<view class="CSlider" origin="10, 40" size="20, 60" orientation="vertical"
		      mode="TX free click"/>
		<view class="CSlider" origin="40, 40" size="120, 20" mode="ramp"/>
	</template>
</vstgui-ui-description>)";
	MemoryContentProvider content (xml, sizeof (xml) - 1);
	auto description = makeOwned<UIDescription> (&content);
	ASSERT_TRUE (description->parse ());
	SharedPointer<CView> view (description->createView ("view", nullptr), false);
	auto* container = view.cast<CViewContainer> ();
	ASSERT_NE (container, nullptr);
	ASSERT_EQ (container->getNbViews (), 3u);

	auto slider = [&] (uint32_t index) {
		return dynamic_cast<CSlider*> (container->getView (index));
	};
	ASSERT_TRUE (slider (0) && slider (1) && slider (2));
	EXPECT_EQ (slider (0)->getSliderMode (), CSliderMode::UseGlobal);
	EXPECT_EQ (slider (0)->getEffectiveSliderMode (), CSliderMode::TXFreeClick);
	EXPECT_EQ (slider (1)->getSliderMode (), CSliderMode::TXFreeClick);
	EXPECT_EQ (slider (1)->getStyle () & (kH | kV), kV);
	EXPECT_EQ (slider (2)->getEffectiveSliderMode (), CSliderMode::Ramp);
}

TEST_F (SliderAttributes, LegacyFreeClickIsReadAndModeOverridesIt)
{
	struct Case
	{
		std::vector<Attribute> node;
		CSliderMode expected;
	};
	const Case cases[] = {
	    {{{"free-click", "true"}}, CSliderMode::FreeClick},
	    {{{"free-click", "false"}}, CSliderMode::Touch},
	    {{{"free-click", "True"}}, CSliderMode::Touch},
	    {{{"free-click", "yes"}}, CSliderMode::Touch},
	    {{{"free-click", ""}}, CSliderMode::Touch},
	    {{{"free-click", "true"}, {"mode", "ramp"}}, CSliderMode::Ramp},
	    {{{"free-click", "true"}, {"mode", "matches nothing"}}, CSliderMode::FreeClick},
	    {{{"free-click", "false"}, {"mode", "TX free click"}}, CSliderMode::TXFreeClick},
	    {{{"free-click", "true"}, {"mode", "use global"}}, CSliderMode::UseGlobal},
	};
	for (const auto& c : cases)
	{
		auto slider = sliderFromNode (c.node);
		ASSERT_TRUE (slider);
		EXPECT_EQ (modeNumber (slider->getSliderMode ()), modeNumber (c.expected))
		    << "free-click=\"" << c.node[0].second << "\""
		    << (c.node.size () > 1 ? " mode=\"" + c.node[1].second + "\"" : std::string ());
	}

	// never written back and never listed
	auto slider = sliderFromNode ({{"free-click", "true"}});
	std::string untouched = "untouched";
	EXPECT_FALSE (creator.getAttributeValue (slider, "free-click", untouched, nullptr));
	EXPECT_EQ (untouched, "untouched");
	IViewCreator::StringList names;
	creator.getAttributeNames (names);
	for (const auto& name : names)
		EXPECT_NE (name, "free-click");
}

TEST_F (SliderAttributes, OrientationAndReversalSetTheStyleBits)
{
	// A "CSlider" node starts horizontal with its minimum on the left.
	struct Case
	{
		std::vector<Attribute> node;
		int32_t expectedStyle;
	};
	const Case cases[] = {
	    {{}, kH | kL},
	    {{{"orientation", "vertical"}}, kV | kL},
	    {{{"orientation", "Vertical"}}, kH | kL},
	    {{{"orientation", "horizontal"}}, kH | kL},
	    {{{"orientation", "sideways"}}, kH | kL},
	    {{{"reverse-orientation", "true"}}, kH | kR},
	    {{{"reverse-orientation", "false"}}, kH | kL},
	    {{{"reverse-orientation", "TRUE"}}, kH | kL},
	    {{{"orientation", "vertical"}, {"reverse-orientation", "true"}}, kV | kL | kT},
	    {{{"orientation", "vertical"}, {"reverse-orientation", "false"}}, kV | kL | kB},
	};
	for (const auto& c : cases)
	{
		auto slider = sliderFromNode (c.node);
		ASSERT_TRUE (slider);
		EXPECT_EQ (slider->getStyle (), c.expectedStyle) << nodeText (c.node);
	}
}

TEST_F (SliderAttributes, ReversalActsOnTheSlidersCurrentOrientation)
{
	struct Case
	{
		int32_t styleBefore;
		std::vector<Attribute> node;
		int32_t expectedStyle;
	};
	const Case cases[] = {
	    {kV | kB, {{"reverse-orientation", "true"}}, kV | kT},
	    {kV | kT, {{"reverse-orientation", "false"}}, kV | kB},
	    {kH | kL, {{"reverse-orientation", "true"}}, kH | kR},
	    {kH | kR, {{"reverse-orientation", "false"}}, kH | kL},
	    {kH | kL, {{"orientation", "vertical"}, {"reverse-orientation", "true"}}, kV | kL | kT},
	    {kV | kT, {{"orientation", "horizontal"}, {"reverse-orientation", "true"}}, kH | kT | kR},
	};
	for (const auto& c : cases)
	{
		auto slider = makeOwned<CVerticalSlider> (CRect (0, 0, 20, 100), nullptr, 0, 0, 100,
		                                          nullptr, nullptr);
		slider->setStyle (c.styleBefore);
		EXPECT_TRUE (creator.apply (slider, nodeAttributes (c.node), nullptr));
		EXPECT_EQ (slider->getStyle (), c.expectedStyle) << "style before " << c.styleBefore;
	}
}

TEST_F (SliderAttributes, HandleOffsetAndZoomFactorAreReadWhenTheyParse)
{
	struct Case
	{
		std::vector<Attribute> node;
		CPoint expectedOffset;
		float expectedZoom;
	};
	const Case cases[] = {
	    {{}, CPoint (0, 0), 10.f},
	    {{{"handle-offset", "3, 4"}}, CPoint (3, 4), 10.f},
	    {{{"handle-offset", "3,4"}}, CPoint (3, 4), 10.f},
	    {{{"handle-offset", "-1.5, 2.25"}}, CPoint (-1.5, 2.25), 10.f},
	    {{{"handle-offset", "3"}}, CPoint (0, 0), 10.f},
	    {{{"handle-offset", "3, 4, 5"}}, CPoint (0, 0), 10.f},
	    {{{"handle-offset", "a, b"}}, CPoint (0, 0), 10.f},
	    {{{"zoom-factor", "10"}}, CPoint (0, 0), 10.f},
	    {{{"zoom-factor", "0.25"}}, CPoint (0, 0), 0.25f},
	    {{{"zoom-factor", "2.5"}}, CPoint (0, 0), 2.5f},
	    {{{"zoom-factor", "0.1"}}, CPoint (0, 0), static_cast<float> (0.1)},
	    {{{"zoom-factor", "fast"}}, CPoint (0, 0), 10.f},
	    {{{"handle-offset", "nope"}, {"zoom-factor", "3"}}, CPoint (0, 0), 3.f},
	};
	for (const auto& c : cases)
	{
		auto slider = sliderFromNode (c.node);
		ASSERT_TRUE (slider);
		EXPECT_EQ (slider->getOffsetHandle (), c.expectedOffset) << nodeText (c.node);
		EXPECT_EQ (slider->getZoomFactor (), c.expectedZoom) << nodeText (c.node);
	}
}

TEST_F (SliderAttributes, ApplyRefusesWhatIsNotASlider)
{
	auto plainView = makeOwned<CView> (CRect (0, 0, 10, 10));
	const auto node = nodeAttributes ({{"mode", "ramp"}, {"orientation", "vertical"}});
	EXPECT_FALSE (creator.apply (plainView, node, nullptr));
	EXPECT_FALSE (creator.apply (nullptr, node, nullptr));

	auto slider = makeOwned<CHorizontalSlider> (CRect (0, 0, 100, 20), nullptr, 0, 0, 100,
	                                            nullptr, nullptr, CPoint (), CSliderBase::kLeft);
	EXPECT_TRUE (creator.apply (slider, nodeAttributes ({}), nullptr));
	EXPECT_TRUE (creator.apply (slider, nodeAttributes ({{"mode", "bogus"}}), nullptr));
	EXPECT_EQ (slider->getSliderMode (), CSliderMode::UseGlobal);
}

TEST_F (SliderAttributes, WrittenTextsFollowTheSlidersState)
{
	struct ModeCase
	{
		CSliderMode mode;
		const char* text;
	};
	const ModeCase modes[] = {
	    {CSliderMode::Touch, "touch"},
	    {CSliderMode::RelativeTouch, "relative touch"},
	    {CSliderMode::FreeClick, "free click"},
	    {CSliderMode::TXFreeClick, "TX free click"},
	    {CSliderMode::Ramp, "ramp"},
	    {CSliderMode::UseGlobal, "use global"},
	};
	auto slider = makeOwned<CHorizontalSlider> (CRect (0, 0, 100, 20), nullptr, 0, 0, 100,
	                                            nullptr, nullptr, CPoint (), CSliderBase::kLeft);
	for (const auto& m : modes)
	{
		slider->setSliderMode (m.mode);
		EXPECT_EQ (written (slider, "mode"), m.text);
	}

	struct StyleCase
	{
		int32_t style;
		const char* orientation;
		const char* reversed;
	};
	const StyleCase styles[] = {
	    {kV | kT, "vertical", "true"},  {kV | kB, "vertical", "false"},
	    {kH | kR, "horizontal", "true"}, {kH | kL, "horizontal", "false"},
	    {kV | kR, "vertical", "false"}, {kH | kT, "horizontal", "false"},
	};
	for (const auto& s : styles)
	{
		slider->setStyle (s.style);
		EXPECT_EQ (written (slider, "orientation"), s.orientation) << "style " << s.style;
		EXPECT_EQ (written (slider, "reverse-orientation"), s.reversed) << "style " << s.style;
	}

	struct NumberCase
	{
		CPoint offset;
		float zoom;
		const char* offsetText;
		const char* zoomText;
	};
	const NumberCase numbers[] = {
	    {CPoint (3, 4), 10.f, "3, 4", "10"},
	    {CPoint (0, 0), 0.25f, "0, 0", "0.25"},
	    {CPoint (-1.5, 2.25), 1234567.f, "-1.5, 2.25", "1.23457e+06"},
	    {CPoint (1.0 / 3.0, 100), 2.5f, "0.333333, 100", "2.5"},
	};
	for (const auto& n : numbers)
	{
		slider->setOffsetHandle (n.offset);
		slider->setZoomFactor (n.zoom);
		EXPECT_EQ (written (slider, "handle-offset"), n.offsetText);
		EXPECT_EQ (written (slider, "zoom-factor"), n.zoomText);
	}
}

TEST_F (SliderAttributes, ModesRoundTripThroughTheDescription)
{
	for (const auto& text : SliderBaseCreator::sliderModeStrings ())
	{
		auto slider = sliderFromNode ({{"mode", text}});
		ASSERT_TRUE (slider);
		EXPECT_EQ (written (slider, "mode"), text);
	}
	auto slider = sliderFromNode ({{"handle-offset", "3, 4"}, {"zoom-factor", "10"}});
	EXPECT_EQ (written (slider, "handle-offset"), "3, 4");
	EXPECT_EQ (written (slider, "zoom-factor"), "10");
}

TEST_F (SliderAttributes, AModeWithoutAStringIsNotWritten)
{
	// setSliderMode takes any number; writing must not index past the strings.
	auto slider = makeOwned<CHorizontalSlider> (CRect (0, 0, 100, 20), nullptr, 0, 0, 100,
	                                            nullptr, nullptr, CPoint (), CSliderBase::kLeft);
	for (int outOfRange : {6, 7, 1000})
	{
		slider->setSliderMode (static_cast<CSliderMode> (outOfRange));
		std::string text = "untouched";
		EXPECT_FALSE (creator.getAttributeValue (slider, "mode", text, nullptr)) << outOfRange;
		EXPECT_EQ (text, "untouched");
	}
}

TEST_F (SliderAttributes, GetAttributeValueRefusesOtherViewsAndNames)
{
	auto plainView = makeOwned<CView> (CRect (0, 0, 10, 10));
	auto slider = makeOwned<CHorizontalSlider> (CRect (0, 0, 100, 20), nullptr, 0, 0, 100,
	                                            nullptr, nullptr, CPoint (), CSliderBase::kLeft);
	// the base creator's own answers, without the slider creator's names
	auto baseValue = [this] (CView* view, const char* name, std::string& text) {
		return creator.SliderBaseCreator::getAttributeValue (view, name, text, nullptr);
	};
	for (const char* name :
	     {"mode", "orientation", "reverse-orientation", "handle-offset", "zoom-factor"})
	{
		std::string text = "untouched";
		EXPECT_FALSE (baseValue (plainView, name, text)) << name;
		EXPECT_EQ (text, "untouched");
		EXPECT_TRUE (baseValue (slider, name, text)) << name;
	}
	for (const char* name : {"free-click", "Mode", "handle-bitmap", ""})
	{
		std::string text = "untouched";
		EXPECT_FALSE (baseValue (slider, name, text)) << name;
		EXPECT_EQ (text, "untouched");
	}
}

TEST_F (SliderAttributes, AttributeTypes)
{
	struct Case
	{
		const char* name;
		IViewCreator::AttrType type;
		int number;
	};
	const Case cases[] = {
	    {"mode", IViewCreator::kListType, 11},
	    {"orientation", IViewCreator::kListType, 11},
	    {"reverse-orientation", IViewCreator::kBooleanType, 1},
	    {"handle-offset", IViewCreator::kPointType, 8},
	    {"zoom-factor", IViewCreator::kFloatType, 3},
	    {"free-click", IViewCreator::kUnknownType, 0},
	    {"Mode", IViewCreator::kUnknownType, 0},
	    {"", IViewCreator::kUnknownType, 0},
	};
	for (const auto& c : cases)
	{
		EXPECT_EQ (creator.getAttributeType (c.name), c.type) << c.name;
		EXPECT_EQ (static_cast<int> (c.type), c.number) << c.name;
	}
}

TEST_F (SliderAttributes, TheBaseNamesComeFirstAndInOrder)
{
	IViewCreator::StringList names {"already there"};
	EXPECT_TRUE (creator.SliderBaseCreator::getAttributeNames (names));
	const IViewCreator::StringList expected {"already there", "mode", "orientation",
	                                         "reverse-orientation", "handle-offset",
	                                         "zoom-factor"};
	EXPECT_EQ (names, expected);

	IViewCreator::StringList sliderNames;
	EXPECT_TRUE (creator.getAttributeNames (sliderNames));
	ASSERT_GT (sliderNames.size (), 5u);
	EXPECT_EQ (IViewCreator::StringList (sliderNames.begin (), std::next (sliderNames.begin (), 5)),
	           IViewCreator::StringList (std::next (expected.begin ()), expected.end ()));
}

TEST_F (SliderAttributes, ListValuesAppendSixModesOnEveryCall)
{
	const std::string before = "before";
	IViewCreator::ConstStringPtrList values {&before};
	ASSERT_TRUE (creator.getPossibleListValues ("mode", values));
	ASSERT_TRUE (creator.getPossibleListValues ("mode", values));
	ASSERT_EQ (values.size (), 13u);

	const auto& strings = SliderBaseCreator::sliderModeStrings ();
	auto it = values.begin ();
	EXPECT_EQ (*it++, &before);
	for (int round = 0; round < 2; ++round)
		for (const auto& s : strings)
			EXPECT_EQ (*it++, &s) << "round " << round << " " << s;
}

TEST_F (SliderAttributes, ListValuesForOrientationAndNothingElse)
{
	IViewCreator::ConstStringPtrList values;
	ASSERT_TRUE (creator.getPossibleListValues ("orientation", values));
	std::vector<std::string> texts;
	for (const auto* v : values)
		texts.emplace_back (*v);
	EXPECT_EQ (texts, (std::vector<std::string> {"horizontal", "vertical"}));

	for (const char* name : {"free-click", "zoom-factor", "reverse-orientation", "Mode"})
	{
		IViewCreator::ConstStringPtrList none;
		EXPECT_FALSE (creator.getPossibleListValues (name, none)) << name;
		EXPECT_TRUE (none.empty ()) << name;
	}
}

} // namespace
