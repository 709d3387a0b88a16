#pragma once

#include "public.sdk/source/vst/hosting/module.h"

#include <gtest/gtest.h>

#include <string>

namespace Tarvine::Test {

// The built bundle, loaded by path through the SDK's module loader as a
// host loads it; nothing of the plug-in is linked into the tests.
struct BundleFixture : ::testing::Test
{
	VST3::Hosting::Module::Ptr module;

	void SetUp () override
	{
		std::string error;
		module = VST3::Hosting::Module::create (TARVINE_BUNDLE_PATH, error);
		ASSERT_TRUE (module) << "cannot load " << TARVINE_BUNDLE_PATH << ": " << error;
	}

	const VST3::Hosting::PluginFactory& factory () const { return module->getFactory (); }
};

} // namespace Tarvine::Test
