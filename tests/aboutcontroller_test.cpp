#include "controller/plugaboutcontroller.h"
#include "scribbledondelete.h"

#include "vstgui/lib/cviewcontainer.h"
#include "vstgui/uidescription/uiattributes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace Steinberg {
namespace Vst {
namespace {

using namespace VSTGUI;

// Stands in for the edit controller: it only keeps the list of live about
// controllers that the about controller leaves when it is destroyed.
struct FakeOwner
{
	using About = PlugAboutController<FakeOwner>;

	About* makeAbout (bool wrappedAsAU = false)
	{
		auto about = new ScribbledOnDelete<About> (this, wrappedAsAU);
		aboutControllers.push_back (about);
		return about;
	}

	void removeAboutController (About* about)
	{
		auto it = std::find (aboutControllers.begin (), aboutControllers.end (), about);
		if (it != aboutControllers.end ())
			aboutControllers.erase (it);
	}

	std::vector<About*> aboutControllers;
};

// An on/off button whose value can be set past the clamping of setValue, the
// way any value can reach it from a description or a host.
class RawValueButton : public COnOffButton
{
public:
	RawValueButton () : COnOffButton (CRect (0, 0, 20, 20)) {}
	void switchTo (float rawValue)
	{
		value = rawValue;
		valueChanged ();
	}
};

using Label = ScribbledOnDelete<CTextLabel>;
using Button = ScribbledOnDelete<RawValueButton>;

std::string fullLine (const char* format) { return std::string ("1.1.0, ") + format + " " + hostPlatformText (); }
std::string textOf (CTextLabel* label) { return label->getText ().getString (); }

class AboutControllerTest : public testing::Test
{
protected:
	CTextLabel* makeLabel () { return new Label (CRect (0, 0, 200, 20), "stale"); }
	RawValueButton* makeButton () { return new Button (); }

	void verify (FakeOwner::About* about, CView* view) { about->verifyView (view, attributes, nullptr); }

	struct BoundViews
	{
		CTextLabel* label;
		RawValueButton* button;
	};
	// A new label and a new button, shown to `about` in the editor's order.
	BoundViews bindLabelAndButton (FakeOwner::About* about)
	{
		BoundViews views {makeLabel (), makeButton ()};
		verify (about, views.label);
		verify (about, views.button);
		return views;
	}

	FakeOwner owner;
	UIAttributes attributes;
};

struct ButtonValueCase
{
	const char* name;
	float value;
	bool showsLine;
};

class AboutTextForButtonValue : public AboutControllerTest,
                                public testing::WithParamInterface<ButtonValueCase>
{
};

TEST_P (AboutTextForButtonValue, ShowsTheLineExactlyWhileTheButtonIsNonZero)
{
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);

	button->switchTo (GetParam ().value);
	EXPECT_EQ (textOf (label), GetParam ().showsLine ? fullLine ("VST3") : "");

	delete about;
	button->forget ();
	label->forget ();
}

INSTANTIATE_TEST_SUITE_P (
    Values, AboutTextForButtonValue,
    testing::Values (ButtonValueCase {"Zero", 0.f, false}, ButtonValueCase {"One", 1.f, true},
                     ButtonValueCase {"Half", 0.5f, true}, ButtonValueCase {"MinusOne", -1.f, true},
                     ButtonValueCase {"NaN", std::numeric_limits<float>::quiet_NaN (), false}),
    [] (const testing::TestParamInfo<ButtonValueCase>& info) { return std::string (info.param.name); });

TEST_F (AboutControllerTest, LineReadsVersionFormatAndPlatform)
{
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);
	button->switchTo (1.f);
	EXPECT_EQ (textOf (label), "1.1.0, VST3 " + hostPlatformText ());
	button->switchTo (0.f);
	EXPECT_EQ (textOf (label), "");

	delete about;
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, HostThatWrapsAsAudioUnitShowsAU)
{
	auto about = owner.makeAbout (true);
	auto [label, button] = bindLabelAndButton (about);
	button->switchTo (1.f);
	EXPECT_EQ (textOf (label), fullLine ("AU"));

	delete about;
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, LabelIsClearedWhenBoundAndFilledWhenAnOnButtonFollows)
{
	auto about = owner.makeAbout ();
	auto label = makeLabel ();
	auto button = makeButton ();
	button->setValue (1.f);

	verify (about, label);
	EXPECT_EQ (textOf (label), "");
	verify (about, button);
	EXPECT_EQ (textOf (label), fullLine ("VST3"));

	delete about;
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, ButtonBoundBeforeAnyLabelWritesNowhere)
{
	auto about = owner.makeAbout ();
	auto button = makeButton ();
	button->setValue (1.f);
	verify (about, button);
	button->switchTo (0.f);

	auto label = makeLabel ();
	verify (about, label);
	EXPECT_EQ (textOf (label), "");
	button->switchTo (1.f);
	EXPECT_EQ (textOf (label), fullLine ("VST3"));

	delete about;
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, OtherViewsPassThroughUntouched)
{
	auto about = owner.makeAbout ();
	auto other = new CView (CRect (0, 0, 10, 10));
	EXPECT_EQ (about->verifyView (other, attributes, nullptr), other);
	EXPECT_EQ (about->verifyView (nullptr, attributes, nullptr), nullptr);

	delete about;
	other->forget ();
}

TEST_F (AboutControllerTest, ValueChangesOfOtherControlsAreIgnored)
{
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);

	RawValueButton stranger;
	stranger.setValue (1.f);
	about->valueChanged (&stranger);
	about->valueChanged (nullptr);
	EXPECT_EQ (textOf (label), "");

	delete about;
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, DeletingTheLabelLeavesTheButtonBound)
{
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);

	auto unrelated = new CView (CRect (0, 0, 10, 10));
	about->viewWillDelete (unrelated);
	unrelated->forget ();

	label->forget (); // the dead label must never be written again
	button->switchTo (1.f);

	auto newLabel = makeLabel ();
	verify (about, newLabel);
	button->switchTo (0.f);
	button->switchTo (1.f);
	EXPECT_EQ (textOf (newLabel), fullLine ("VST3"));

	delete about;
	button->forget ();
	newLabel->forget ();
}

TEST_F (AboutControllerTest, ButtonDeletedBeforeTheSubControllerIsNeverTouchedAgain)
{
	// The library deletes a container's children first and the container's
	// sub-controller last.
	auto container = new CViewContainer (CRect (0, 0, 300, 40));
	auto about = owner.makeAbout ();
	auto label = makeLabel ();
	auto button = makeButton ();
	container->addView (label);
	container->addView (button);
	verify (about, label);
	verify (about, button);
	button->switchTo (1.f);
	EXPECT_EQ (textOf (label), fullLine ("VST3"));
	container->setAttribute (kCViewControllerAttribute, static_cast<IController*> (about));

	container->forget ();
	EXPECT_TRUE (owner.aboutControllers.empty ());
}

TEST_F (AboutControllerTest, ButtonDeletedAloneThenTheSubController)
{
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);

	button->forget ();
	delete about;
	EXPECT_TRUE (owner.aboutControllers.empty ());
	label->forget ();
}

TEST_F (AboutControllerTest, SubControllerDeletedBeforeItsViewsLeavesThemNoListener)
{
	// The editor's own teardown releases the sub-controller when its view is
	// removed from the frame, before the views are deleted.
	auto about = owner.makeAbout ();
	auto [label, button] = bindLabelAndButton (about);

	delete about;
	button->switchTo (1.f);
	EXPECT_EQ (textOf (label), "");
	button->forget ();
	label->forget ();
}

TEST_F (AboutControllerTest, LaterViewOfTheSameKindTakesOverTheBindingCompletely)
{
	auto about = owner.makeAbout ();
	auto [firstLabel, firstButton] = bindLabelAndButton (about);
	auto [secondLabel, secondButton] = bindLabelAndButton (about);

	firstButton->switchTo (1.f);
	EXPECT_EQ (textOf (secondLabel), "");
	secondButton->switchTo (1.f);
	EXPECT_EQ (textOf (secondLabel), fullLine ("VST3"));
	EXPECT_EQ (textOf (firstLabel), "");

	// The replaced views outlive the sub-controller without calling into it.
	delete about;
	firstButton->switchTo (0.f);
	firstButton->forget ();
	firstLabel->forget ();
	secondButton->forget ();
	secondLabel->forget ();
}

TEST_F (AboutControllerTest, DestroyingOneOfSeveralLeavesTheOthersInOrder)
{
	auto first = owner.makeAbout ();
	auto second = owner.makeAbout ();
	auto third = owner.makeAbout ();

	delete second;
	EXPECT_EQ (owner.aboutControllers, (std::vector<FakeOwner::About*> {first, third}));
	delete first;
	delete third;
	EXPECT_TRUE (owner.aboutControllers.empty ());
}

TEST_F (AboutControllerTest, DestroyingOneThatIsNotListedLeavesTheListAlone)
{
	auto listed = owner.makeAbout ();
	auto unlisted = new FakeOwner::About (&owner, false);

	delete unlisted;
	EXPECT_EQ (owner.aboutControllers, (std::vector<FakeOwner::About*> {listed}));
	delete listed;
}

} // namespace
} // namespace Vst
} // namespace Steinberg
