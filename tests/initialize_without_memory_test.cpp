// Initialize allocates (the processor's buses, the controller's parameter
// table). When memory runs out there, the host gets kOutOfMemory instead of
// an exception, nothing allocated is lost, and the object is left as before
// the call, so that a later initialize succeeds.

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

// Fails each allocation of initialize in turn, until one initialize runs
// through without reaching the armed failure. `partsOf` counts what
// initialize builds: none of it after a failure, `allParts` after success.
// Whatever happens, once the object is gone no block it allocated is left.
template <typename Object>
void initializeWithEachAllocationFailing (int32 (*partsOf) (Object&), int32 allParts)
{
	BareHost host;
	for (std::size_t nth = 1;; ++nth)
	{
		const std::size_t blocksBefore = FailingAllocation::blocksInUse ();
		bool failed = false;
		{
			auto object = Steinberg::owned (new Object ());
			tresult result = kResultFalse;
			{
				FailingAllocation failure (nth);
				EXPECT_NO_THROW (result = object->initialize (&host)) << "allocation " << nth;
				failed = failure.happened ();
			}
			if (failed)
			{
				EXPECT_EQ (result, kOutOfMemory) << "allocation " << nth;
				EXPECT_EQ (partsOf (*object), 0) << "allocation " << nth;
				EXPECT_EQ (object->initialize (&host), kResultOk) << "allocation " << nth;
			}
			else
			{
				EXPECT_EQ (result, kResultOk);
				EXPECT_GT (nth, 1u) << "initialize allocates nothing, so nothing was tested";
			}
			EXPECT_EQ (partsOf (*object), allParts) << "allocation " << nth;
			object->terminate ();
		}
		EXPECT_EQ (FailingAllocation::blocksInUse (), blocksBefore) << "leaked after allocation " << nth;
		if (!failed)
			return;
	}
}

int32 busesOf (PlugProcessor& processor)
{
	return processor.getBusCount (kAudio, kInput) + processor.getBusCount (kAudio, kOutput);
}

int32 parametersOf (PlugController& controller)
{
	return controller.getParameterCount ();
}

TEST (InitializeWithoutMemory, ProcessorReportsItAndCanBeInitializedLater)
{
	initializeWithEachAllocationFailing<PlugProcessor> (busesOf, 2);
}

TEST (InitializeWithoutMemory, ControllerReportsItAndCanBeInitializedLater)
{
	initializeWithEachAllocationFailing<PlugController> (parametersOf, kNumParams);
}

} // namespace
} // namespace Vst
} // namespace Steinberg
