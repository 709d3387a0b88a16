// The audio thread must never allocate. This binary replaces the global
// allocation functions with counting ones, so it runs on its own and never
// changes how the other tests allocate.

#include "enginehost.h"
#include "enginestate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

std::atomic<long> allocations {0};
std::atomic<long> liveAllocations {0};
// Large requests fail while set, as they would on a machine out of memory.
std::atomic<bool> refuseLargeRequests {false};
constexpr std::size_t kLargeRequest = 256 * 1024; // only the shared line at 44.1 kHz

void* allocate (std::size_t size)
{
	allocations.fetch_add (1);
	if (refuseLargeRequests.load () && size >= kLargeRequest)
		return nullptr;
	void* p = std::malloc (size ? size : 1);
	if (p)
		liveAllocations.fetch_add (1);
	return p;
}

void release (void* p)
{
	if (!p)
		return;
	liveAllocations.fetch_sub (1);
	std::free (p);
}

} // namespace

void* operator new (std::size_t size)
{
	if (void* p = allocate (size))
		return p;
	throw std::bad_alloc ();
}
void* operator new[] (std::size_t size)
{
	return operator new (size);
}
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
	return allocate (size);
}
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
	return allocate (size);
}
void operator delete (void* p) noexcept
{
	release (p);
}
void operator delete[] (void* p) noexcept
{
	release (p);
}
void operator delete (void* p, std::size_t) noexcept
{
	release (p);
}
void operator delete[] (void* p, std::size_t) noexcept
{
	release (p);
}
void operator delete (void* p, const std::nothrow_t&) noexcept
{
	release (p);
}
void operator delete[] (void* p, const std::nothrow_t&) noexcept
{
	release (p);
}

namespace {

using namespace Tarvine::Test;

// Allocations made by `work`.
template <typename Work>
long allocationsDuring (Work&& work)
{
	const long before = allocations.load ();
	work ();
	return allocations.load () - before;
}

template <typename Sample>
void runWithoutAllocating (double sampleRate)
{
	EngineHost host (sampleRate, symbolicSizeOf<Sample> ());
	ASSERT_EQ (host.activationResult, kResultOk);
	std::vector<Sample> inL (512, Sample (0.25)), inR (512, Sample (-0.25)), outL (512), outR (512);
	Sample* in[] = {inL.data (), inR.data ()};
	Sample* out[] = {outL.data (), outR.data ()};

	// The host's queues grow on first use; that is the host's allocation.
	for (ParamID id = 0; id < kNumParams; ++id)
		host.change (id, 0.0);
	host.changes.clearQueue ();

	MemoryStream stream;
	streamOf (defaultRecordWith ({{2, 0.9}, {3, 0.1}}), stream);

	long total = 0;
	for (int32 block = 0; block < 200; ++block)
	{
		// Moves of every kind: rebuilds, smoothed values, bypass on and off.
		host.change (kParamPredelay, (block % 17) * 0.05);
		host.change (kParamRvbTime, (block % 13) * 0.07);
		host.change (kParamDiffusion, (block % 11) * 0.09);
		host.change (kParamMix, (block % 7) * 0.1);
		host.change (kParamBypass, block % 50 < 5 ? 1.0 : 0.0);
		if (block == 100)
			host.component->setState (&stream); // taken by the next block
		total += allocationsDuring ([&] { host.run (in, out, block % 3 == 0 ? 64 : 512); });
	}
	// Long enough to pass several silent points of the crossfade.
	for (int32 block = 0; block < 200; ++block)
		total += allocationsDuring ([&] { host.run (in, out, 512); });
	EXPECT_EQ (total, 0) << sampleRate;
}

TEST (RealTime, ProcessAllocatesNothing)
{
	// The counter itself sees an allocation.
	const long seen = allocationsDuring ([] {
		std::unique_ptr<int[]> block (new int[8]);
		volatile int* keep = block.get ();
		keep[0] = 1;
	});
	ASSERT_EQ (seen, 1);

	runWithoutAllocating<float> (44100.0);
	runWithoutAllocating<double> (48000.0);
	runWithoutAllocating<double> (96000.0);
}

// When the delay memory cannot be had, activation says so and the processor
// stays inactive: nothing allocated is kept, and process answers silence.
TEST (RealTime, ActivationReportsOutOfMemory)
{
	EngineHost host (44100.0, kSample64, false);
	const long live = liveAllocations.load ();
	refuseLargeRequests.store (true);
	const tresult result = host.component->setActive (true);
	refuseLargeRequests.store (false);
	EXPECT_EQ (result, kOutOfMemory);
	EXPECT_EQ (liveAllocations.load (), live);
	for (double* line : host.object->delayLines)
		EXPECT_EQ (line, nullptr);

	const auto [left, right] = host.frame (0.5, 0.5);
	EXPECT_EQ (left, 0.0);
	EXPECT_EQ (right, 0.0);

	EXPECT_EQ (host.component->setActive (true), kResultOk);
	EXPECT_NE (host.object->delayLines[0], nullptr);
}

// A host that releases an active processor without switching it off.
TEST (RealTime, ReleasingAnActiveProcessorFreesItsLines)
{
	const long live = liveAllocations.load ();
	{
		IPtr<PlugProcessor> object = owned (new PlugProcessor);
		ASSERT_EQ (object->initialize (nullptr), kResultOk);
		ASSERT_EQ (object->setActive (true), kResultOk);
		ASSERT_NE (object->delayLines[PlugProcessor::kSharedLine], nullptr);
	}
	EXPECT_EQ (liveAllocations.load (), live);
}

} // namespace
