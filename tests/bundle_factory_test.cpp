#include "bundletest.h"
#include "entry/plugids.h"

#include "public.sdk/source/vst/utility/stringconvert.h"

#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Tarvine::Test::BundleFixture;

namespace {

struct ClassEntry
{
	FUID cid;
	const char* category;
	const char* name;
	uint32 classFlags;
	const char* subCategories;
};

const ClassEntry kEntries[] = {
    {PlugProcessorUID, "Audio Module Class", "tx QUERNA Tarvine", static_cast<uint32> (kDistributable), "Fx|Reverb"},
    {PlugControllerUID, "Component Controller Class", "tx QUERNA Tarvine Controller", 0u, ""},
};

std::string utf8 (const char16* text)
{
	return VST3::StringConvert::convert (reinterpret_cast<const Vst::TChar*> (text));
}

TEST_F (BundleFixture, FactoryNamesTheMakerAndOffersUnicodeClasses)
{
	PFactoryInfo info {};
	ASSERT_EQ (factory ().get ()->getFactoryInfo (&info), kResultOk);
	EXPECT_STREQ (info.vendor, "TAMRIX Soft");
	EXPECT_EQ (info.flags, PFactoryInfo::kUnicode);
	EXPECT_EQ (std::string (info.email).rfind ("mailto:", 0), 0u) << info.email;
	EXPECT_EQ (std::string (info.url).rfind ("https://", 0), 0u) << info.url;
}

TEST_F (BundleFixture, ClassEntriesCarryNamesCategoriesAndVersions)
{
	auto factory2 = U::cast<IPluginFactory2> (factory ().get ());
	ASSERT_TRUE (factory2);
	ASSERT_EQ (factory2->countClasses (), 2);
	for (int32 index = 0; index < 2; ++index)
	{
		const ClassEntry& entry = kEntries[index];
		SCOPED_TRACE (entry.name);

		PClassInfo info {};
		ASSERT_EQ (factory2->getClassInfo (index, &info), kResultOk);
		EXPECT_EQ (FUID::fromTUID (info.cid), entry.cid);
		EXPECT_EQ (info.cardinality, PClassInfo::kManyInstances);
		EXPECT_STREQ (info.category, entry.category);
		EXPECT_STREQ (info.name, entry.name);

		PClassInfo2 info2 {};
		ASSERT_EQ (factory2->getClassInfo2 (index, &info2), kResultOk);
		EXPECT_EQ (FUID::fromTUID (info2.cid), entry.cid);
		EXPECT_EQ (info2.cardinality, PClassInfo::kManyInstances);
		EXPECT_STREQ (info2.category, entry.category);
		EXPECT_STREQ (info2.name, entry.name);
		EXPECT_EQ (info2.classFlags, entry.classFlags);
		EXPECT_STREQ (info2.subCategories, entry.subCategories);
		EXPECT_STREQ (info2.vendor, "");
		EXPECT_STREQ (info2.version, "1.1.0.1");
		EXPECT_STREQ (info2.sdkVersion, "VST 3.7.3");
	}
	EXPECT_EQ (factory2->getClassInfo2 (2, nullptr), kInvalidArgument);
}

TEST_F (BundleFixture, ClassEntriesReadTheSameInUtf16)
{
	auto factory3 = U::cast<IPluginFactory3> (factory ().get ());
	ASSERT_TRUE (factory3);
	for (int32 index = 0; index < 2; ++index)
	{
		const ClassEntry& entry = kEntries[index];
		SCOPED_TRACE (entry.name);
		PClassInfoW info {};
		ASSERT_EQ (factory3->getClassInfoUnicode (index, &info), kResultOk);
		EXPECT_EQ (FUID::fromTUID (info.cid), entry.cid);
		EXPECT_EQ (info.cardinality, PClassInfo::kManyInstances);
		EXPECT_STREQ (info.category, entry.category);
		EXPECT_EQ (utf8 (info.name), entry.name);
		EXPECT_EQ (info.classFlags, entry.classFlags);
		EXPECT_STREQ (info.subCategories, entry.subCategories);
		EXPECT_EQ (utf8 (info.vendor), "");
		EXPECT_EQ (utf8 (info.version), "1.1.0.1");
		EXPECT_EQ (utf8 (info.sdkVersion), "VST 3.7.3");
	}
}

TEST_F (BundleFixture, CreatesTheProcessorByClassIdUnderBothOfItsInterfaces)
{
	const auto cid = VST3::UID::fromTUID (PlugProcessorUID.toTUID ());
	for (bool asComponent : {false, true})
	{
		IPtr<IComponent> component;
		if (asComponent)
			component = factory ().createInstance<IComponent> (cid);
		else
			component = U::cast<IComponent> (factory ().createInstance<IAudioProcessor> (cid));
		ASSERT_TRUE (component);
		TUID controllerCid;
		ASSERT_EQ (component->getControllerClassId (controllerCid), kResultOk);
		EXPECT_EQ (FUID::fromTUID (controllerCid), PlugControllerUID);
	}
}

TEST_F (BundleFixture, CreatesTheControllerOnlyAsAnEditController)
{
	auto controller =
	    factory ().createInstance<IEditController> (VST3::UID::fromTUID (PlugControllerUID.toTUID ()));
	ASSERT_TRUE (controller);
	EXPECT_EQ (controller->getParameterCount (), 0); // the table comes with initialize

	struct Refusal
	{
		FUID cid;
		FUID iid;
	};
	const FUID unknown (1, 2, 3, 4);
	const Refusal refusals[] = {
	    {PlugControllerUID, IAudioProcessor::iid},
	    {PlugProcessorUID, IEditController::iid},
	    {unknown, IEditController::iid},
	};
	for (const auto& refusal : refusals)
	{
		void* object = reinterpret_cast<void*> (1);
		EXPECT_EQ (factory ().get ()->createInstance (refusal.cid.toTUID (), refusal.iid.toTUID (), &object),
		           kNoInterface);
		EXPECT_EQ (object, nullptr);
	}
}

TEST_F (BundleFixture, BundleHasTheLayoutHostsLookFor)
{
	namespace fs = std::filesystem;
	const fs::path bundle (TARVINE_BUNDLE_PATH);
	EXPECT_EQ (bundle.extension (), ".vst3");
	EXPECT_TRUE (fs::is_regular_file (TARVINE_MODULE_FILE));
	EXPECT_TRUE (fs::is_directory (bundle / "Contents" / "Resources"));

	const auto infoPath = VST3::Hosting::Module::getModuleInfoPath (TARVINE_BUNDLE_PATH);
	ASSERT_TRUE (infoPath);
	std::ifstream file (*infoPath);
	std::stringstream text;
	text << file.rdbuf ();
	for (const char* expected : {"\"TAMRIX Soft\"", "\"tx QUERNA Tarvine\"",
	                             "\"tx QUERNA Tarvine Controller\"", "\"1.1.0.1\"", "\"Reverb\""})
		EXPECT_NE (text.str ().find (expected), std::string::npos) << expected;
}

} // namespace
