// The editor's first painted frame shows the parameters' current values: it
// is opened in a real X window (on an Xvfb server of the test's own) after
// the host restored a saved state, and every control bound to a parameter
// must hold that parameter's value before anything is painted and when the
// first paint happens.

#include "controller/plugcontroller.h"
#include "editorwindow/hostrunloop.h"
#include "editorwindow/hostwindow.h"
#include "editorwindow/privatexserver.h"
#include "processor/paramids.h"
#include "processor/paramstate.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/utility/stringconvert.h"
#include "vstgui/lib/controls/ccontrol.h"
#include "vstgui/lib/controls/cparamdisplay.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/platform/platformfactory.h"
#include "vstgui/lib/platform/linux/linuxfactory.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace Steinberg {
namespace Vst {
namespace {

using namespace std::chrono_literals;
using Tarvine::EditorWindow::HostDisplay;
using Tarvine::EditorWindow::HostRunLoop;
using Tarvine::EditorWindow::HostWindow;
using Tarvine::EditorWindow::PrivateXServer;

// What a control bound to a parameter holds, and whether it is a value
// display (which draws the parameter's text for that value).
struct ControlReading
{
	ParamID id;
	float valueNormalized;
	bool isDisplay;
};

std::vector<ControlReading> readBoundControls (VSTGUI::CFrame& frame)
{
	std::vector<VSTGUI::CControl*> controls;
	frame.getChildViewsOfType<VSTGUI::CControl> (controls, true);
	std::vector<ControlReading> readings;
	for (auto* control : controls)
	{
		if (control->getTag () < 0 || control->getTag () >= static_cast<int32_t> (kNumParams))
			continue;
		readings.push_back ({static_cast<ParamID> (control->getTag ()), control->getValueNormalized (),
		                     dynamic_cast<VSTGUI::CParamDisplay*> (control) != nullptr});
	}
	return readings;
}

// A view over the whole editor, on top of everything else, that draws
// nothing: when the frame paints for the first time, it reads what the
// controls drawn before it held.
class FirstPaintWitness : public VSTGUI::CView
{
public:
	FirstPaintWitness (VSTGUI::CFrame& frame) : CView (frame.getViewSize ()), frame (frame)
	{
		setMouseEnabled (false);
	}

	void draw (VSTGUI::CDrawContext*) override
	{
		if (!painted)
			atFirstPaint = readBoundControls (frame);
		painted = true;
		setDirty (false);
	}

	bool painted {false};
	std::vector<ControlReading> atFirstPaint;

private:
	VSTGUI::CFrame& frame;
};

std::string valueText (PlugController& controller, ParamID id, ParamValue value)
{
	String128 text {};
	controller.getParamStringByValue (id, value, text);
	return VST3::StringConvert::convert (text);
}

// Every bound control holds its parameter's value, and each value display
// draws the parameter's text; every parameter has its controls.
void expectControlsShow (PlugController& controller, const std::vector<ControlReading>& readings,
                         const char* when)
{
	SCOPED_TRACE (when);
	std::map<ParamID, int> controlsPerParameter;
	for (const auto& reading : readings)
	{
		++controlsPerParameter[reading.id];
		const ParamValue expected = controller.getParamNormalized (reading.id);
		EXPECT_FLOAT_EQ (reading.valueNormalized, static_cast<float> (expected))
		    << "parameter " << reading.id << (reading.isDisplay ? ", value display" : ", control");
		if (reading.isDisplay)
		{
			EXPECT_EQ (valueText (controller, reading.id, reading.valueNormalized),
			           valueText (controller, reading.id, expected))
			    << "parameter " << reading.id;
		}
	}
	for (ParamID id = 0; id < kNumParams; ++id)
		EXPECT_EQ (controlsPerParameter[id], id == kParamBypass ? 1 : 2) << "controls of parameter " << id;
}

class EditorFirstFrame : public testing::Test
{
protected:
	static void SetUpTestSuite ()
	{
		xServer = new PrivateXServer;
		// A test program is no bundle, so VSTGUI is told where the built
		// bundle keeps the editor's description and bitmaps.
		VSTGUI::getPlatformFactory ().asLinuxFactory ()->setResourcePath (TARVINE_BUNDLE_RESOURCES);
	}
	static void TearDownTestSuite ()
	{
		delete xServer;
		xServer = nullptr;
	}

	void SetUp () override
	{
		ASSERT_FALSE (xServer->displayName ().empty ()) << xServer->failure ();
		controller = Steinberg::owned (new PlugController ());
		ASSERT_EQ (controller->initialize (nullptr), kResultOk);
	}
	void TearDown () override
	{
		if (controller)
			controller->terminate ();
	}

	// Hands the controller a saved state, as a host does after loading a project.
	void restore (const ParamState& record)
	{
		MemoryStream stream;
		ASSERT_EQ (writeParamState (record, &stream), kResultOk);
		stream.seek (0, IBStream::kIBSeekSet, nullptr);
		ASSERT_EQ (controller->setComponentState (&stream), kResultOk);
	}

	static PrivateXServer* xServer;
	IPtr<PlugController> controller;
};

PrivateXServer* EditorFirstFrame::xServer = nullptr;

ParamState record (bool bypass, std::initializer_list<double> values)
{
	ParamState state;
	state.bypass = bypass;
	int i = 0;
	for (double v : values)
		state.values[i++] = v;
	return state;
}

TEST_F (EditorFirstFrame, EveryControlShowsItsParametersValueFromTheFirstPaint)
{
	struct SavedState
	{
		const char* name;
		ParamState record;
	};
	// Values a float holds exactly (the controls keep floats), away from
	// each range's ends and from the parameters' defaults; then every
	// range's top, as far from where an unset control sits as can be.
	const SavedState savedStates[] = {
	    {"moved off the defaults", record (true, {0.3125, 0.125, 0.875, 0.625, 0.375, 0.1875})},
	    {"every range's top", record (true, {1.0, 1.0, 1.0, 1.0, 1.0, 1.0})},
	};
	HostRunLoop runLoop;
	HostDisplay display (xServer->displayName ().c_str ());
	ASSERT_NE (display.get (), nullptr);
	HostWindow window (display.get (), runLoop, 0, 0);
	// Each state in an editor opened after the previous one was closed.
	for (const auto& saved : savedStates)
	{
		SCOPED_TRACE (saved.name);
		restore (saved.record);
		for (ParamID id = kParamLevel; id <= kParamLPCut; ++id)
			ASSERT_EQ (controller->getParamNormalized (id), saved.record.values[id - kParamLevel]);

		IPtr<IPlugView> view = Steinberg::owned (controller->createView (ViewType::kEditor));
		ASSERT_TRUE (view);
		auto* editor = dynamic_cast<VSTGUI::VST3Editor*> (view.get ());
		ASSERT_NE (editor, nullptr);
		ASSERT_EQ (view->setFrame (&window), kResultTrue);
		ASSERT_EQ (view->attached (window.parent (), kPlatformTypeX11EmbedWindowID), kResultTrue);
		VSTGUI::CFrame* frame = editor->getFrame ();
		ASSERT_NE (frame, nullptr);

		// VSTGUI's X11 frame paints only from a timer of the host's run
		// loop, which has not run yet: nothing is painted so far.
		expectControlsShow (*controller, readBoundControls (*frame), "before the first paint");

		auto* witness = new FirstPaintWitness (*frame);
		frame->addView (witness);
		EXPECT_TRUE (runLoop.runUntil ([&] { return witness->painted; }, 2000ms)) << "the editor never painted";
		expectControlsShow (*controller, witness->atFirstPaint, "at the first paint");

		EXPECT_EQ (view->removed (), kResultTrue);
		view->setFrame (nullptr);
	}
}

} // namespace
} // namespace Vst
} // namespace Steinberg
