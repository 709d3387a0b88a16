#include "vstgui/lib/vstguiinit.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <dlfcn.h>
#endif

namespace {

// VSTGUI's fonts and platform factory exist only between init and exit, so
// every test program that creates views runs inside this environment.
class VstguiEnvironment : public testing::Environment
{
public:
	void SetUp () override
	{
#if defined(__linux__)
		VSTGUI::init (dlopen (nullptr, RTLD_LAZY));
#else
		VSTGUI::init (nullptr);
#endif
	}
	void TearDown () override { VSTGUI::exit (); }
};

const auto* const vstguiEnvironment = testing::AddGlobalTestEnvironment (new VstguiEnvironment);

} // namespace
