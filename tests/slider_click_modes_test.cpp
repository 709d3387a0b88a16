// What a mouse-down does to VSTGUI's sliders in each click mode, driven through
// the sliders' own mouse handlers and through the event dispatch that a frame
// uses. "TX free click" drags relatively on the handle and jumps beside it.
//
// Geometry used throughout: a horizontal slider spans x 10..130, y 5..25 with a
// 20 x 10 handle, so the handle travels 100 from its near edge at x 10 (value 0)
// to x 110 (value 1); at value 0.5 it covers x [60, 80), y [5, 15). A click
// that jumps puts the handle's near edge at the pointer minus 9 (half the
// handle minus 1), so the value becomes (x - 19) / 100. The vertical slider is
// the same turned by a quarter: x 0..20, y 0..120, a 10 x 20 handle.

#include "slider_test_support.h"

#include "vstgui/lib/events.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace {

using namespace VSTGUI;
using SliderTest::AssertionRecorder;
using SliderTest::makeHandle;
using SliderTest::SliderGlobalsGuard;

constexpr float kTolerance = 1e-5f;

SharedPointer<CSlider> horizontalSlider (int32_t style = CSliderBase::kLeft)
{
	auto handle = makeHandle (20, 10);
	return makeOwned<CHorizontalSlider> (CRect (10, 5, 130, 25), nullptr, 1, CPoint (0, 0), 120,
	                                     handle, nullptr, CPoint (), style);
}

SharedPointer<CSlider> verticalSlider (int32_t style = CSliderBase::kTop)
{
	auto handle = makeHandle (10, 20);
	return makeOwned<CVerticalSlider> (CRect (0, 0, 20, 120), nullptr, 1, CPoint (0, 0), 120,
	                                   handle, nullptr, CPoint (), style);
}

CMouseEventResult press (CSlider& slider, CPoint where, CButtonState buttons = kLButton)
{
	return slider.onMouseDown (where, buttons);
}

void drag (CSlider& slider, CPoint where, CButtonState buttons = kLButton)
{
	slider.onMouseMoved (where, buttons);
}

void release (CSlider& slider, CPoint where)
{
	slider.onMouseUp (where, kLButton);
}

const char* modeName (CSliderMode mode)
{
	switch (mode)
	{
		case CSliderMode::Touch: return "touch";
		case CSliderMode::RelativeTouch: return "relative touch";
		case CSliderMode::FreeClick: return "free click";
		case CSliderMode::TXFreeClick: return "TX free click";
		case CSliderMode::Ramp: return "ramp";
		case CSliderMode::UseGlobal: return "use global";
	}
	return "?";
}

TEST (SliderClickModes, NewSlidersFollowTheGlobalTXFreeClick)
{
	auto slider = horizontalSlider ();
	EXPECT_EQ (slider->getSliderMode (), CSliderMode::UseGlobal);
	EXPECT_EQ (slider->getZoomFactor (), 10.f);
	EXPECT_EQ (CSliderBase::getGlobalMode (), CSliderMode::TXFreeClick);
	EXPECT_EQ (slider->getEffectiveSliderMode (), CSliderMode::TXFreeClick);

	slider->setSliderMode (CSliderMode::Ramp);
	CHorizontalSlider copy (*slider.cast<CHorizontalSlider> ());
	EXPECT_EQ (copy.getSliderMode (), CSliderMode::Ramp);
}

// One press and one drag on a slider in "TX free click".
struct Gesture
{
	const char* name;
	SharedPointer<CSlider> (*makeSlider) ();
	float startValue;
	CPoint pressAt;
	float valueAfterPress;
	CPoint dragTo;
	float valueAfterDrag;
};

void runGestures (std::initializer_list<Gesture> gestures)
{
	for (const auto& g : gestures)
	{
		auto slider = g.makeSlider ();
		slider->setValueNormalized (g.startValue);
		EXPECT_EQ (press (*slider, g.pressAt), kMouseEventHandled) << g.name;
		EXPECT_NEAR (slider->getValueNormalized (), g.valueAfterPress, kTolerance) << g.name;
		EXPECT_TRUE (slider->isEditing ()) << g.name;
		drag (*slider, g.dragTo);
		EXPECT_NEAR (slider->getValueNormalized (), g.valueAfterDrag, kTolerance) << g.name;
		release (*slider, g.dragTo);
		EXPECT_FALSE (slider->isEditing ()) << g.name;
	}
}

SharedPointer<CSlider> leftToRight () { return horizontalSlider (CSliderBase::kLeft); }
SharedPointer<CSlider> rightToLeft () { return horizontalSlider (CSliderBase::kRight); }
SharedPointer<CSlider> topToBottom () { return verticalSlider (CSliderBase::kTop); }
SharedPointer<CSlider> bottomToTop () { return verticalSlider (CSliderBase::kBottom); }

TEST (SliderClickModes, OnTheHandleTXFreeClickDragsRelatively)
{
	runGestures ({
	    {"horizontal, handle middle", leftToRight, 0.5f, {65, 10}, 0.5f, {75, 10}, 0.6f},
	    {"horizontal, y is ignored while dragging", leftToRight, 0.5f, {65, 10}, 0.5f, {40, 24},
	     0.25f},
	    {"horizontal kRight, handle drawn at 0.75", rightToLeft, 0.25f, {90, 10}, 0.25f,
	     {100, 10}, 0.15f},
	    {"vertical kTop", topToBottom, 0.5f, {5, 55}, 0.5f, {5, 65}, 0.6f},
	    {"vertical kBottom, handle drawn at 0.75", bottomToTop, 0.25f, {5, 80}, 0.25f, {5, 90},
	     0.15f},
	});
}

TEST (SliderClickModes, BesideTheHandleTXFreeClickJumpsAndThenFollows)
{
	runGestures ({
	    {"horizontal, right of the handle", leftToRight, 0.5f, {100, 10}, 0.81f, {110, 10},
	     0.91f},
	    {"horizontal, left of the handle", leftToRight, 0.5f, {30, 10}, 0.11f, {50, 10}, 0.31f},
	    {"horizontal, jump clamps at the low end", leftToRight, 0.5f, {11, 10}, 0.f, {29, 10},
	     0.1f},
	    {"horizontal kRight", rightToLeft, 0.25f, {30, 10}, 0.89f, {40, 10}, 0.79f},
	    {"vertical kTop", topToBottom, 0.5f, {5, 100}, 0.91f, {5, 90}, 0.81f},
	    {"vertical kBottom", bottomToTop, 0.25f, {5, 30}, 0.79f, {5, 40}, 0.69f},
	});
}

TEST (SliderClickModes, TheHandleRectangleIsHalfOpen)
{
	const double nan = std::numeric_limits<double>::quiet_NaN ();
	struct Case
	{
		const char* name;
		SharedPointer<CSlider> (*makeSlider) ();
		float startValue;
		CPoint where;
		bool onHandle;
		float valueAfterPress;
	};
	const Case cases[] = {
	    {"left edge", leftToRight, 0.5f, {60, 10}, true, 0.5f},
	    {"just inside the right edge", leftToRight, 0.5f, {79.5, 10}, true, 0.5f},
	    {"right edge", leftToRight, 0.5f, {80, 10}, false, 0.61f},
	    {"just left of the left edge", leftToRight, 0.5f, {59.5, 10}, false, 0.405f},
	    {"top edge", leftToRight, 0.5f, {65, 5}, true, 0.5f},
	    {"bottom edge", leftToRight, 0.5f, {65, 15}, false, 0.46f},
	    {"below the handle, inside the view", leftToRight, 0.5f, {65, 20}, false, 0.46f},
	    {"NaN across the axis", leftToRight, 0.5f, {65, nan}, false, 0.46f},
	    {"kRight: left edge of the drawn handle", rightToLeft, 0.25f, {85, 10}, true, 0.25f},
	    {"kRight: just before it", rightToLeft, 0.25f, {84, 10}, false, 0.35f},
	    {"kRight: where the uninverted handle would be", rightToLeft, 0.25f, {40, 10}, false,
	     0.79f},
	    {"vertical: top edge", topToBottom, 0.5f, {5, 50}, true, 0.5f},
	    {"vertical: bottom edge", topToBottom, 0.5f, {5, 70}, false, 0.61f},
	    {"vertical: right edge", topToBottom, 0.5f, {10, 55}, false, 0.46f},
	    {"vertical: beside the handle, inside the view", topToBottom, 0.5f, {15, 55}, false,
	     0.46f},
	    {"vertical kBottom: top edge of the drawn handle", bottomToTop, 0.25f, {0, 75}, true,
	     0.25f},
	};
	for (const auto& c : cases)
	{
		auto slider = c.makeSlider ();
		slider->setValueNormalized (c.startValue);
		press (*slider, c.where);
		EXPECT_NEAR (slider->getValueNormalized (), c.valueAfterPress, kTolerance) << c.name;
		if (c.onHandle)
		{
			EXPECT_FLOAT_EQ (slider->getValueNormalized (), c.startValue) << c.name;
		}
	}
}

TEST (SliderClickModes, TheJumpDependsOnlyOnTheGeometry)
{
	for (float startValue : {0.f, 0.2f, 0.9f, 1.f})
	{
		auto slider = horizontalSlider ();
		slider->setValueNormalized (startValue);
		press (*slider, {60, 10});
		EXPECT_NEAR (slider->getValueNormalized (), 0.41f, kTolerance) << startValue;
	}
}

TEST (SliderClickModes, ModesSideBySide)
{
	struct Case
	{
		CSliderMode mode;
		CPoint where;
		CMouseEventResult result;
		float valueAfterPress;
		std::optional<float> valueAfterDragBy10; // none: the slider took no drag
	};
	constexpr CMouseEventResult kHandled = kMouseEventHandled;
	constexpr CMouseEventResult kNoDrag = kMouseDownEventHandledButDontNeedMovedOrUpEvents;
	const CPoint onHandle {65, 10};
	const CPoint beside {100, 10};
	const Case cases[] = {
	    {CSliderMode::Touch, onHandle, kHandled, 0.5f, 0.6f},
	    {CSliderMode::Touch, beside, kNoDrag, 0.5f, std::nullopt},
	    {CSliderMode::RelativeTouch, onHandle, kHandled, 0.5f, 0.6f},
	    {CSliderMode::RelativeTouch, beside, kHandled, 0.5f, 0.6f},
	    {CSliderMode::FreeClick, onHandle, kHandled, 0.46f, 0.56f},
	    {CSliderMode::FreeClick, beside, kHandled, 0.81f, 0.91f},
	    {CSliderMode::TXFreeClick, onHandle, kHandled, 0.5f, 0.6f},
	    {CSliderMode::TXFreeClick, beside, kHandled, 0.81f, 0.91f},
	    {CSliderMode::Ramp, onHandle, kHandled, 0.5f, 0.6f},
	    // ramping: the value moves on the timer, not with the pointer
	    {CSliderMode::Ramp, beside, kHandled, 0.5f, 0.5f},
	};
	// Without a run loop the ramp timer cannot start; the platform says so
	// through the assertion hook.
	AssertionRecorder quiet;
	for (const auto& c : cases)
	{
		const auto name = std::string (modeName (c.mode)) +
		                  (c.where == onHandle ? " on the handle" : " beside the handle");
		auto slider = horizontalSlider ();
		slider->setSliderMode (c.mode);
		slider->setValueNormalized (0.5f);
		EXPECT_EQ (press (*slider, c.where), c.result) << name;
		EXPECT_NEAR (slider->getValueNormalized (), c.valueAfterPress, kTolerance) << name;
		EXPECT_EQ (slider->isEditing (), c.valueAfterDragBy10.has_value ()) << name;
		if (c.valueAfterDragBy10)
		{
			drag (*slider, {c.where.x + 10, c.where.y});
			EXPECT_NEAR (slider->getValueNormalized (), *c.valueAfterDragBy10, kTolerance)
			    << name;
			release (*slider, {c.where.x + 10, c.where.y});
		}
	}
}

TEST (SliderClickModes, AnExplicitModeIgnoresTheGlobalModeAndUseGlobalFollowsIt)
{
	SliderGlobalsGuard restore;
	AssertionRecorder quiet; // ramp timer without a run loop
	const CPoint onHandle {65, 10};
	const CPoint beside {100, 10};
	struct Case
	{
		CSliderMode global;
		float useGlobalOnHandle;
		float useGlobalBeside;
	};
	const Case cases[] = {
	    {CSliderMode::Touch, 0.5f, 0.5f},
	    {CSliderMode::RelativeTouch, 0.5f, 0.5f},
	    {CSliderMode::FreeClick, 0.46f, 0.81f},
	    {CSliderMode::TXFreeClick, 0.5f, 0.81f},
	    {CSliderMode::Ramp, 0.5f, 0.5f},
	};
	for (const auto& c : cases)
	{
		CSliderBase::setGlobalMode (c.global);
		for (auto [where, expected] :
		     {std::pair {onHandle, c.useGlobalOnHandle}, std::pair {beside, c.useGlobalBeside}})
		{
			auto followsGlobal = horizontalSlider ();
			followsGlobal->setValueNormalized (0.5f);
			press (*followsGlobal, where);
			EXPECT_NEAR (followsGlobal->getValueNormalized (), expected, kTolerance)
			    << "global " << modeName (c.global) << " at x " << where.x;

			auto explicitTX = horizontalSlider ();
			explicitTX->setSliderMode (CSliderMode::TXFreeClick);
			explicitTX->setValueNormalized (0.5f);
			press (*explicitTX, where);
			EXPECT_NEAR (explicitTX->getValueNormalized (), where == onHandle ? 0.5f : 0.81f,
			             kTolerance)
			    << "global " << modeName (c.global) << " at x " << where.x;
		}
	}
}

TEST (SliderClickModes, SettingTheGlobalModeToUseGlobalIsReportedAndStored)
{
	SliderGlobalsGuard restore;
	AssertionRecorder recorder;

	CSliderBase::setGlobalMode (CSliderMode::FreeClick);
	EXPECT_TRUE (recorder.messages ().empty ());

	CSliderBase::setGlobalMode (CSliderMode::UseGlobal);
	ASSERT_EQ (recorder.messages ().size (), 1u);
	EXPECT_EQ (recorder.messages ().front (), "do not set the global mode to use global");
	EXPECT_EQ (CSliderBase::getGlobalMode (), CSliderMode::UseGlobal);

	// Such sliders match none of the modes and drag relatively everywhere.
	auto slider = horizontalSlider ();
	slider->setValueNormalized (0.5f);
	EXPECT_EQ (press (*slider, {100, 10}), kMouseEventHandled);
	EXPECT_NEAR (slider->getValueNormalized (), 0.5f, kTolerance);
	drag (*slider, {110, 10});
	EXPECT_NEAR (slider->getValueNormalized (), 0.6f, kTolerance);
	release (*slider, {110, 10});
	EXPECT_EQ (recorder.messages ().size (), 1u);
}

TEST (SliderClickModes, OnlyTheLeftButtonStartsAnEdit)
{
	for (CButtonState buttons : {CButtonState (kRButton), CButtonState (kMButton), CButtonState ()})
	{
		auto slider = horizontalSlider ();
		slider->setValueNormalized (0.5f);
		EXPECT_EQ (press (*slider, {100, 10}, buttons), kMouseEventNotHandled);
		EXPECT_FLOAT_EQ (slider->getValueNormalized (), 0.5f);
		EXPECT_FALSE (slider->isEditing ());
	}
}

TEST (SliderClickModes, TheFineAdjustModifierDefersTheJump)
{
	// With the zoom modifier held the press only starts the edit; the drag then
	// moves a tenth (the zoom factor) of the way from the start value.
	auto slider = horizontalSlider ();
	slider->setValueNormalized (0.5f);
	const CButtonState fine = kLButton | CControl::kZoomModifier;
	EXPECT_EQ (press (*slider, {100, 10}, fine), kMouseEventHandled);
	EXPECT_FLOAT_EQ (slider->getValueNormalized (), 0.5f);
	drag (*slider, {110, 10}, fine);
	EXPECT_NEAR (slider->getValueNormalized (), 0.5f + (0.91f - 0.5f) / 10.f, kTolerance);
}

TEST (SliderClickModes, ZoomByDistanceAsksWithoutARectangle)
{
	// The zoom-by-distance drag recomputes the offset without a handle
	// rectangle; "TX free click" then tests the handle where it stands.
	SliderGlobalsGuard restore;
	CSliderBase::kAlwaysUseZoomFactor = true;
	struct Case
	{
		const char* name;
		CPoint dragTo;
		float expected;
	};
	const Case cases[] = {
	    // zoom stays 1: the relative offset from the press holds
	    {"along the handle", {75, 10}, 0.6f},
	    // 50 across a 20 high slider: zoom 2.5, the pointer is off the handle
	    {"far across the axis", {75, 60}, 0.5f + (0.56f - 0.5f) / 2.5f},
	};
	for (const auto& c : cases)
	{
		auto slider = horizontalSlider ();
		slider->setValueNormalized (0.5f);
		press (*slider, {65, 10});
		EXPECT_NEAR (slider->getValueNormalized (), 0.5f, kTolerance) << c.name;
		drag (*slider, c.dragTo);
		EXPECT_NEAR (slider->getValueNormalized (), c.expected, kTolerance) << c.name;
	}
}

TEST (SliderClickModes, TheEventDispatchReachesTheSameClickHandling)
{
	auto slider = horizontalSlider ();
	slider->setValueNormalized (0.5f);

	MouseDownEvent down ({100, 10}, MouseButton::Left);
	slider->dispatchEvent (down);
	EXPECT_TRUE (static_cast<bool> (down.consumed));
	EXPECT_FALSE (down.ignoreFollowUpMoveAndUpEvents ());
	EXPECT_NEAR (slider->getValueNormalized (), 0.81f, kTolerance);

	MouseMoveEvent move ({110, 10}, MouseButton::Left);
	slider->dispatchEvent (move);
	EXPECT_NEAR (slider->getValueNormalized (), 0.91f, kTolerance);

	MouseUpEvent up ({110, 10}, MouseButton::Left);
	slider->dispatchEvent (up);
	EXPECT_FALSE (slider->isEditing ());
}

TEST (SliderClickModes, TheDefaultValueClickWorksOnAndBesideTheHandle)
{
	for (CPoint where : {CPoint (65, 10), CPoint (100, 10)})
	{
		auto slider = horizontalSlider ();
		slider->setDefaultValue (0.3f);
		slider->setValueNormalized (0.5f);
		MouseDownEvent down (where, MouseButton::Left);
		down.modifiers.add (ModifierKey::Control);
		slider->dispatchEvent (down);
		EXPECT_TRUE (static_cast<bool> (down.consumed)) << where.x;
		EXPECT_TRUE (down.ignoreFollowUpMoveAndUpEvents ()) << where.x;
		EXPECT_FLOAT_EQ (slider->getValueNormalized (), 0.3f) << where.x;
		EXPECT_FALSE (slider->isEditing ()) << where.x;
	}
}

} // namespace
