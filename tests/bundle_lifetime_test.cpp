#include "pluginterfaces/base/ipluginbase.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Steinberg;

namespace {

// The module opened by hand, as a host's scanner does, so that the test
// holds every reference to the factory itself.
struct ModuleFile : ::testing::Test
{
	using EntryFunction = bool (*) (void*);
	using ExitFunction = bool (*) ();
	using FactoryFunction = IPluginFactory* (*) ();

	void* handle = nullptr;
	FactoryFunction getFactory = nullptr;

	void SetUp () override
	{
		handle = dlopen (TARVINE_MODULE_FILE, RTLD_LAZY | RTLD_LOCAL);
		ASSERT_TRUE (handle) << dlerror ();
		auto entry = reinterpret_cast<EntryFunction> (dlsym (handle, "ModuleEntry"));
		ASSERT_TRUE (entry);
		ASSERT_TRUE (entry (handle));
		getFactory = reinterpret_cast<FactoryFunction> (dlsym (handle, "GetPluginFactory"));
		ASSERT_TRUE (getFactory);
	}

	void TearDown () override
	{
		if (!handle)
			return;
		if (auto exit = reinterpret_cast<ExitFunction> (dlsym (handle, "ModuleExit")))
		{
			EXPECT_TRUE (exit ());
		}
		dlclose (handle);
	}
};

// The count a factory holds, read through a balanced addRef and release.
uint32 referenceCount (IPluginFactory* factory)
{
	const uint32 count = factory->addRef () - 1;
	factory->release ();
	return count;
}

TEST_F (ModuleFile, FactoryIsSharedWhileHeldAndRebuiltAfterTheLastRelease)
{
	IPluginFactory* first = getFactory ();
	ASSERT_TRUE (first);
	EXPECT_EQ (referenceCount (first), 1u);

	IPluginFactory* second = getFactory ();
	EXPECT_EQ (second, first);
	EXPECT_EQ (referenceCount (first), 2u);

	EXPECT_EQ (second->release (), 1u);
	EXPECT_EQ (first->release (), 0u);

	IPluginFactory* rebuilt = getFactory ();
	ASSERT_TRUE (rebuilt);
	EXPECT_EQ (referenceCount (rebuilt), 1u);
	EXPECT_EQ (rebuilt->countClasses (), 2);
	PClassInfo info {};
	ASSERT_EQ (rebuilt->getClassInfo (1, &info), kResultOk);
	EXPECT_STREQ (info.name, "tx QUERNA Tarvine Controller");
	rebuilt->release ();
}

TEST_F (ModuleFile, ThreadsMakingTheFirstCallAtOnceShareOneFactory)
{
	constexpr int kThreads = 8;
	std::vector<IPluginFactory*> factories (kThreads, nullptr);
	std::atomic<int> waiting {kThreads};
	std::vector<std::thread> threads;
	for (int t = 0; t < kThreads; ++t)
	{
		threads.emplace_back ([&, t] {
			// all threads leave the barrier together
			--waiting;
			while (waiting.load () > 0)
				std::this_thread::yield ();
			factories[t] = getFactory ();
		});
	}
	for (auto& thread : threads)
		thread.join ();

	ASSERT_TRUE (factories[0]);
	for (IPluginFactory* factory : factories)
		EXPECT_EQ (factory, factories[0]);
	EXPECT_EQ (referenceCount (factories[0]), static_cast<uint32> (kThreads));
	for (IPluginFactory* factory : factories)
		factory->release ();
}

} // namespace
