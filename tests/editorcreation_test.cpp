#include "controller/plugcontroller.h"
#include "failingallocation.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "vstgui/uidescription/uiattributes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Steinberg {
namespace Vst {
namespace {

using About = PlugController::AboutController;

// A host context that says it wraps the plug-in as an Audio Unit.
class AudioUnitWrapperHost : public U::ImplementsNonDestroyable<U::Directly<IVst3ToAUWrapper>>
{
};

// A host context that offers nothing at all.
class BareHost : public U::ImplementsNonDestroyable<U::Directly<FUnknown>>
{
};

// An Audio Unit wrapper interface that counts the references held on it.
class CountedWrapper : public IVst3ToAUWrapper
{
public:
	tresult PLUGIN_API queryInterface (const TUID, void** obj) override
	{
		*obj = nullptr;
		return kNoInterface;
	}
	uint32 PLUGIN_API addRef () override { return static_cast<uint32> (++references); }
	uint32 PLUGIN_API release () override { return static_cast<uint32> (--references); }

	int references {0};
};

// A host context that answers the query for the wrapper interface with a
// given result and writes a given pointer, whatever the result says, as a
// careless host might. A pointer given with kResultOk carries a reference.
class ScriptedWrapperHost : public FUnknown
{
public:
	ScriptedWrapperHost (tresult answer, IVst3ToAUWrapper* written) : answer (answer), written (written) {}

	tresult PLUGIN_API queryInterface (const TUID iid, void** obj) override
	{
		if (!FUnknownPrivate::iidEqual (iid, IVst3ToAUWrapper::iid))
		{
			*obj = nullptr;
			return kNoInterface;
		}
		*obj = written;
		if (answer == kResultOk && written)
			written->addRef ();
		return answer;
	}
	uint32 PLUGIN_API addRef () override { return 1; }
	uint32 PLUGIN_API release () override { return 1; }

private:
	const tresult answer;
	IVst3ToAUWrapper* const written;
};

class EditorCreationTest : public testing::Test
{
protected:
	void SetUp () override { controller = Steinberg::owned (new PlugController ()); }
	void TearDown () override { controller->terminate (); }

	About* makeAbout ()
	{
		return dynamic_cast<About*> (
		    controller->createSubController ("AboutController", nullptr, nullptr));
	}

	// The format word the about box shows, read through a label and an
	// on/off button bound the way the editor binds them.
	std::string formatShownBy (About* about)
	{
		VSTGUI::UIAttributes attributes;
		auto label = new VSTGUI::CTextLabel (VSTGUI::CRect (0, 0, 200, 20));
		auto button = new VSTGUI::COnOffButton (VSTGUI::CRect (0, 0, 20, 20));
		button->setValue (1.f);
		about->verifyView (label, attributes, nullptr);
		about->verifyView (button, attributes, nullptr);
		const std::string line = label->getText ().getString ();
		delete about;
		button->forget ();
		label->forget ();

		const std::string prefix = "1.1.0, ";
		const std::string suffix = " " + hostPlatformText ();
		if (line.size () < prefix.size () + suffix.size () || line.compare (0, prefix.size (), prefix) != 0 ||
		    line.compare (line.size () - suffix.size (), suffix.size (), suffix) != 0)
			return "unexpected line: " + line;
		return line.substr (prefix.size (), line.size () - prefix.size () - suffix.size ());
	}

	// The host contexts outlive the controller that holds one of them.
	AudioUnitWrapperHost audioUnitHost;
	BareHost bareHost;
	IPtr<PlugController> controller;
};

TEST_F (EditorCreationTest, EditorNameGivesANewEditorInLinearKnobMode)
{
	controller->setKnobMode (kCircularMode);
	IPlugView* first = controller->createView (ViewType::kEditor);
	ASSERT_NE (first, nullptr);
	EXPECT_EQ (EditController::getHostKnobMode (), kLinearMode);
	EXPECT_NE (dynamic_cast<VSTGUI::VST3Editor*> (first), nullptr);

	IPlugView* second = controller->createView ("editor");
	ASSERT_NE (second, nullptr);
	EXPECT_NE (first, second);
	EXPECT_EQ (second->release (), 0u);
	EXPECT_EQ (first->release (), 0u);
}

TEST_F (EditorCreationTest, OtherViewNamesGiveNothingAndKeepTheKnobMode)
{
	for (const char* name : {"Editor", "editor ", "", "edito", "view"})
	{
		controller->setKnobMode (kRelativCircularMode);
		EXPECT_EQ (controller->createView (name), nullptr) << '"' << name << '"';
		EXPECT_EQ (EditController::getHostKnobMode (), kRelativCircularMode) << '"' << name << '"';
	}
	EXPECT_EQ (controller->createView (nullptr), nullptr);
	EXPECT_EQ (EditController::getHostKnobMode (), kRelativCircularMode);
}

TEST_F (EditorCreationTest, AboutControllerNameGivesAListedAboutController)
{
	About* about = makeAbout ();
	ASSERT_NE (about, nullptr);
	EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {about}));
	delete about;
	EXPECT_TRUE (controller->getAboutControllers ().empty ());
}

TEST_F (EditorCreationTest, OtherSubControllerNamesGiveNothing)
{
	About* listed = makeAbout ();
	for (const char* name : {"aboutcontroller", "AboutControlle", "AboutController ", "", "About"})
		EXPECT_EQ (controller->createSubController (name, nullptr, nullptr), nullptr) << '"' << name << '"';
	EXPECT_EQ (controller->createSubController (nullptr, nullptr, nullptr), nullptr);
	EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {listed}));
	delete listed;
}

TEST_F (EditorCreationTest, HostWrappingAsAudioUnitShowsAU)
{
	ASSERT_EQ (controller->initialize (audioUnitHost.unknownCast ()), kResultOk);
	EXPECT_EQ (formatShownBy (makeAbout ()), "AU");
}

TEST_F (EditorCreationTest, HostWithoutTheWrapperShowsVST3)
{
	ASSERT_EQ (controller->initialize (bareHost.unknownCast ()), kResultOk);
	EXPECT_EQ (formatShownBy (makeAbout ()), "VST3");
}

TEST_F (EditorCreationTest, OnlyAnObtainedWrapperCountsAndIsReleased)
{
	CountedWrapper wrapper;
	struct Case
	{
		const char* name;
		tresult answer;
		IVst3ToAUWrapper* written;
		const char* format;
	};
	const Case cases[] = {
	    {"obtained", kResultOk, &wrapper, "AU"},
	    {"ok but null", kResultOk, nullptr, "VST3"},
	    {"refused but written", kNoInterface, &wrapper, "VST3"},
	    {"false but written", kResultFalse, &wrapper, "VST3"},
	    {"refused", kNoInterface, nullptr, "VST3"},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE (c.name);
		ScriptedWrapperHost host (c.answer, c.written);
		auto scripted = Steinberg::owned (new PlugController ());
		ASSERT_EQ (scripted->initialize (&host), kResultOk);
		auto about = dynamic_cast<About*> (scripted->createSubController ("AboutController", nullptr, nullptr));
		ASSERT_NE (about, nullptr);
		EXPECT_EQ (wrapper.references, 0) << "references taken and released do not balance";
		EXPECT_EQ (formatShownBy (about), c.format);
		scripted->terminate ();
	}
}

TEST_F (EditorCreationTest, NoHostContextShowsVST3)
{
	EXPECT_EQ (formatShownBy (makeAbout ()), "VST3");

	ASSERT_EQ (controller->initialize (audioUnitHost.unknownCast ()), kResultOk);
	ASSERT_EQ (controller->terminate (), kResultOk);
	EXPECT_EQ (formatShownBy (makeAbout ()), "VST3");
}

TEST_F (EditorCreationTest, DestroyingTheMiddleOfThreeKeepsTheOthersInOrder)
{
	About* first = makeAbout ();
	About* second = makeAbout ();
	About* third = makeAbout ();
	EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {first, second, third}));

	delete second;
	EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {first, third}));
	delete first;
	delete third;
	EXPECT_TRUE (controller->getAboutControllers ().empty ());
}

TEST_F (EditorCreationTest, RemovingAnUnlistedAboutControllerChangesNothing)
{
	About* listed = makeAbout ();
	About stranger (controller.get (), false);
	controller->removeAboutController (&stranger);
	EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {listed}));
	delete listed;
}

TEST_F (EditorCreationTest, EditorWithoutMemoryIsNoEditorAndNoException)
{
	IPlugView* view = reinterpret_cast<IPlugView*> (1);
	{
		FailingAllocation failure (1);
		EXPECT_NO_THROW (view = controller->createView ("editor"));
		EXPECT_TRUE (failure.happened ());
	}
	EXPECT_EQ (view, nullptr);
}

TEST_F (EditorCreationTest, AboutControllerWithoutMemoryIsNoneAndLeavesTheListAlone)
{
	About* listed = makeAbout ();
	// Fail each allocation of the creation in turn, until one creation runs
	// through without reaching the armed failure.
	for (std::size_t nth = 1;; ++nth)
	{
		VSTGUI::IController* made = reinterpret_cast<VSTGUI::IController*> (1);
		bool failed = false;
		{
			FailingAllocation failure (nth);
			EXPECT_NO_THROW (made = controller->createSubController ("AboutController", nullptr, nullptr));
			failed = failure.happened ();
		}
		if (!failed)
		{
			ASSERT_NE (made, nullptr);
			EXPECT_EQ (controller->getAboutControllers ().size (), 2u);
			delete made;
			break;
		}
		EXPECT_EQ (made, nullptr) << "allocation " << nth;
		EXPECT_EQ (controller->getAboutControllers (), (std::vector<About*> {listed})) << "allocation " << nth;
	}
	delete listed;
}

} // namespace
} // namespace Vst
} // namespace Steinberg
