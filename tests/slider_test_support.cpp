#include "slider_test_support.h"

#include "vstgui/lib/vstguidebug.h"
#include "vstgui/lib/vstguiinit.h"

#include <gtest/gtest.h>

namespace SliderTest {
namespace {

// The platform factory without a module handle: no resource path, no window.
class VstguiPlatform : public ::testing::Environment
{
public:
	void SetUp () override { VSTGUI::init (nullptr); }
	void TearDown () override { VSTGUI::exit (); }
};

const auto* const platform = ::testing::AddGlobalTestEnvironment (new VstguiPlatform);

std::vector<std::string> recordedAssertions;

void recordAssertion (const char*, const char*, const char* condition, const char* desc)
{
	recordedAssertions.emplace_back (desc ? desc : condition);
}

} // namespace

VSTGUI::SharedPointer<VSTGUI::CBitmap> makeHandle (VSTGUI::CCoord width, VSTGUI::CCoord height)
{
	return VSTGUI::makeOwned<VSTGUI::CBitmap> (width, height);
}

AssertionRecorder::AssertionRecorder ()
{
	recordedAssertions.clear ();
	VSTGUI::setAssertionHandler (recordAssertion);
}

AssertionRecorder::~AssertionRecorder ()
{
	VSTGUI::setAssertionHandler (nullptr);
	recordedAssertions.clear ();
}

const std::vector<std::string>& AssertionRecorder::messages () const
{
	return recordedAssertions;
}

SliderGlobalsGuard::SliderGlobalsGuard ()
: globalMode (VSTGUI::CSliderBase::getGlobalMode ())
, alwaysUseZoomFactor (VSTGUI::CSliderBase::kAlwaysUseZoomFactor)
{
}

SliderGlobalsGuard::~SliderGlobalsGuard ()
{
	VSTGUI::CSliderBase::kAlwaysUseZoomFactor = alwaysUseZoomFactor;
	VSTGUI::CSliderBase::setGlobalMode (globalMode);
}

} // namespace SliderTest
