// The editor's description as VSTGUI builds it: every parameter has its
// control, the value texts and units sit next to them, the about box is
// where its sub-controller finds it, and the bitmaps come in 1x and 2x.

#include "controller/plugaboutcontroller.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/controls/cslider.h"
#include "vstgui/lib/controls/ctextlabel.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/cviewcontainer.h"
#include "vstgui/uidescription/uidescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Steinberg {
namespace Vst {
namespace {

using namespace VSTGUI;

struct FakeOwner
{
	void removeAboutController (PlugAboutController<FakeOwner>*) { ++aboutControllersGone; }
	int aboutControllersGone {0};
};

// Answers the description's sub-controller name the way the edit controller
// does, and nothing else.
class DescriptionController : public IController
{
public:
	explicit DescriptionController (FakeOwner& owner) : owner (owner) {}
	void valueChanged (CControl*) override {}
	IController* createSubController (UTF8StringPtr name, const IUIDescription*) override
	{
		if (std::string (name) != "AboutController")
			return nullptr;
		++aboutControllersMade;
		return new PlugAboutController<FakeOwner> (&owner, false);
	}
	int aboutControllersMade {0};

private:
	FakeOwner& owner;
};

void collect (CView* view, std::vector<CView*>& out)
{
	out.push_back (view);
	if (auto container = view->asViewContainer ())
		container->forEachChild ([&] (CView* child) { collect (child, out); });
}

template <typename T>
std::vector<T*> viewsOf (const std::vector<CView*>& views)
{
	std::vector<T*> found;
	for (auto v : views)
		if (auto t = dynamic_cast<T*> (v))
			found.push_back (t);
	return found;
}

bool hasBothScales (CBitmap* bitmap)
{
	if (bitmap == nullptr)
		return false;
	auto one = bitmap->getBestPlatformBitmapForScaleFactor (1.0);
	auto two = bitmap->getBestPlatformBitmapForScaleFactor (2.0);
	return one && two && one->getScaleFactor () == 1.0 && two->getScaleFactor () == 2.0;
}

class EditorDescriptionTest : public testing::Test
{
protected:
	void SetUp () override
	{
		description = makeOwned<UIDescription> (CResourceDescription (TARVINE_RESOURCE_DIR "/plug.uidesc"));
		ASSERT_TRUE (description->parse ());
		editor = description->createView ("view", &controller);
		ASSERT_NE (editor, nullptr);
		collect (editor, views);
	}
	void TearDown () override
	{
		if (editor)
			editor->forget ();
	}

	FakeOwner owner;
	DescriptionController controller {owner};
	SharedPointer<UIDescription> description;
	CView* editor {nullptr};
	std::vector<CView*> views;
};

TEST_F (EditorDescriptionTest, EveryParameterHasItsControl)
{
	std::map<int32_t, std::vector<CControl*>> byTag;
	for (auto control : viewsOf<CControl> (views))
		if (control->getTag () != -1)
			byTag[control->getTag ()].push_back (control);

	std::set<int32_t> tags;
	for (const auto& entry : byTag)
		tags.insert (entry.first);
	EXPECT_EQ (tags, (std::set<int32_t> {0, 1, 2, 3, 4, 5, 6}));

	// Bypass: one on/off button.
	ASSERT_EQ (byTag[0].size (), 1u);
	auto bypass = dynamic_cast<CTextButton*> (byTag[0].front ());
	ASSERT_NE (bypass, nullptr);
	EXPECT_EQ (bypass->getStyle (), CTextButton::kOnOffStyle);

	// The others: a slider that follows the global click mode, and the value text.
	for (int32_t tag = 1; tag <= 6; ++tag)
	{
		const auto& controls = byTag[tag];
		ASSERT_EQ (controls.size (), 2u) << "tag " << tag;
		auto slider = viewsOf<CSlider> (std::vector<CView*> (controls.begin (), controls.end ()));
		auto display = viewsOf<CParamDisplay> (std::vector<CView*> (controls.begin (), controls.end ()));
		ASSERT_EQ (slider.size (), 1u) << "tag " << tag;
		ASSERT_EQ (display.size (), 1u) << "tag " << tag;
		EXPECT_EQ (slider.front ()->getSliderMode (), CSliderMode::UseGlobal) << "tag " << tag;
		EXPECT_TRUE (hasBothScales (slider.front ()->getHandle ())) << "tag " << tag;
	}
}

TEST_F (EditorDescriptionTest, ShowsTheProductTitlesAndUnits)
{
	std::multiset<std::string> texts;
	for (auto label : viewsOf<CTextLabel> (views))
		texts.insert (label->getText ().getString ());
	for (const char* text : {"tx QUERNA", "Tarvine", "Level", "Mix", "Predelay", "Rvb Time", "Diffusion",
	                         "LPCut", "dB", "ms", "s", "Hz"})
		EXPECT_EQ (texts.count (text), 1u) << text;
	EXPECT_EQ (texts.count ("%"), 2u);
}

TEST_F (EditorDescriptionTest, AboutBoxHoldsOneButtonAndOneLabelUnderItsSubController)
{
	EXPECT_EQ (controller.aboutControllersMade, 1);
	CViewContainer* about = nullptr;
	for (auto view : views)
	{
		IController* sub = nullptr;
		if (view->getAttribute (kCViewControllerAttribute, sub) && sub)
		{
			EXPECT_NE (dynamic_cast<PlugAboutController<FakeOwner>*> (sub), nullptr);
			about = view->asViewContainer ();
		}
	}
	ASSERT_NE (about, nullptr);

	std::vector<CView*> inside;
	collect (about, inside);
	auto buttons = viewsOf<COnOffButton> (inside);
	auto labels = viewsOf<CTextLabel> (inside);
	ASSERT_EQ (buttons.size (), 1u);
	ASSERT_EQ (labels.size (), 1u);
	EXPECT_EQ (buttons.front ()->getTag (), -1);
	EXPECT_TRUE (hasBothScales (buttons.front ()->getDrawBackground ()));

	// Bound: switching the button on writes the line into the label.
	EXPECT_EQ (std::string (labels.front ()->getText ().getString ()), "");
	buttons.front ()->setValue (1.f);
	buttons.front ()->valueChanged ();
	EXPECT_EQ (std::string (labels.front ()->getText ().getString ()), "1.1.0, VST3 " + hostPlatformText ());

	// The about controller goes with the editor's views.
	editor->forget ();
	editor = nullptr;
	EXPECT_EQ (owner.aboutControllersGone, 1);
}

} // namespace
} // namespace Vst
} // namespace Steinberg
