#pragma once
// Shared set-up for the tests that drive VSTGUI's sliders: the platform layer
// (timers and bitmaps need it, no window or display does), real handle
// bitmaps, and a recorder for the library's assertion hook.

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/controls/cslider.h"

#include <string>
#include <vector>

namespace SliderTest {

// A handle bitmap of the given size; the slider takes its handle size from it.
VSTGUI::SharedPointer<VSTGUI::CBitmap> makeHandle (VSTGUI::CCoord width, VSTGUI::CCoord height);

// While alive, every vstgui_assert that fails is recorded here instead of
// aborting a debug build; the library goes on after the handler returns.
class AssertionRecorder
{
public:
	AssertionRecorder ();
	~AssertionRecorder ();
	AssertionRecorder (const AssertionRecorder&) = delete;
	AssertionRecorder& operator= (const AssertionRecorder&) = delete;

	const std::vector<std::string>& messages () const;
};

// Restores the process-wide slider settings that a test changes.
class SliderGlobalsGuard
{
public:
	SliderGlobalsGuard ();
	~SliderGlobalsGuard ();
	SliderGlobalsGuard (const SliderGlobalsGuard&) = delete;
	SliderGlobalsGuard& operator= (const SliderGlobalsGuard&) = delete;

private:
	VSTGUI::CSliderMode globalMode;
	bool alwaysUseZoomFactor;
};

} // namespace SliderTest
