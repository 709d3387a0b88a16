// Initialize allocates (the processor's buses, the controller's parameter
// table). When memory runs out there, the host gets kOutOfMemory instead of
// an exception, and the object is left as before the call, so that a later
// initialize succeeds.

#include "controller/plugcontroller.h"
#include "failingallocation.h"
#include "processor/paramids.h"
#include "processor/plugprocessor.h"

#include "pluginterfaces/base/funknownimpl.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace Steinberg {
namespace Vst {
namespace {

// A host context that offers nothing at all.
class BareHost : public U::ImplementsNonDestroyable<U::Directly<FUnknown>>
{
};

TEST (InitializeWithoutMemory, ProcessorReportsItAndCanBeInitializedLater)
{
	BareHost host;
	// Fail each allocation of initialize in turn, until one initialize runs
	// through without reaching the armed failure.
	for (std::size_t nth = 1;; ++nth)
	{
		auto processor = Steinberg::owned (new PlugProcessor);
		tresult result = kResultFalse;
		bool failed = false;
		{
			FailingAllocation failure (nth);
			EXPECT_NO_THROW (result = processor->initialize (&host)) << "allocation " << nth;
			failed = failure.happened ();
		}
		if (!failed)
		{
			EXPECT_EQ (result, kResultOk);
			EXPECT_EQ (processor->getBusCount (kAudio, kInput), 1);
			EXPECT_EQ (processor->getBusCount (kAudio, kOutput), 1);
			EXPECT_GT (nth, 1u) << "initialize allocates nothing, so nothing was tested";
			processor->terminate ();
			break;
		}
		EXPECT_EQ (result, kOutOfMemory) << "allocation " << nth;
		EXPECT_EQ (processor->getBusCount (kAudio, kInput), 0) << "allocation " << nth;
		EXPECT_EQ (processor->getBusCount (kAudio, kOutput), 0) << "allocation " << nth;
		EXPECT_EQ (processor->initialize (&host), kResultOk) << "allocation " << nth;
		EXPECT_EQ (processor->getBusCount (kAudio, kInput), 1) << "allocation " << nth;
		EXPECT_EQ (processor->getBusCount (kAudio, kOutput), 1) << "allocation " << nth;
		processor->terminate ();
	}
}

TEST (InitializeWithoutMemory, ControllerReportsItAndCanBeInitializedLater)
{
	BareHost host;
	for (std::size_t nth = 1;; ++nth)
	{
		auto controller = Steinberg::owned (new PlugController ());
		tresult result = kResultFalse;
		bool failed = false;
		{
			FailingAllocation failure (nth);
			EXPECT_NO_THROW (result = controller->initialize (&host)) << "allocation " << nth;
			failed = failure.happened ();
		}
		if (!failed)
		{
			EXPECT_EQ (result, kResultOk);
			EXPECT_EQ (controller->getParameterCount (), static_cast<int32> (kNumParams));
			EXPECT_GT (nth, 1u) << "initialize allocates nothing, so nothing was tested";
			controller->terminate ();
			break;
		}
		EXPECT_EQ (result, kOutOfMemory) << "allocation " << nth;
		EXPECT_EQ (controller->getParameterCount (), 0) << "allocation " << nth;
		EXPECT_EQ (controller->initialize (&host), kResultOk) << "allocation " << nth;
		EXPECT_EQ (controller->getParameterCount (), static_cast<int32> (kNumParams)) << "allocation " << nth;
		controller->terminate ();
	}
}

} // namespace
} // namespace Vst
} // namespace Steinberg
