#include "failingallocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Plain counters: the tests that arm a failure run on one thread.
std::size_t allocationsUntilFailure = 0;
bool failed = false;

// Counted on whatever thread allocates, armed or not.
std::atomic<std::size_t> liveBlocks {0};

} // namespace

FailingAllocation::FailingAllocation (std::size_t nth)
{
	allocationsUntilFailure = nth;
	failed = false;
}

FailingAllocation::~FailingAllocation () { allocationsUntilFailure = 0; }

bool FailingAllocation::happened () const { return failed; }

std::size_t FailingAllocation::blocksInUse () { return liveBlocks.load (); }

void* operator new (std::size_t size)
{
	if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0)
	{
		failed = true;
		throw std::bad_alloc ();
	}
	if (void* p = std::malloc (size ? size : 1))
	{
		++liveBlocks;
		return p;
	}
	throw std::bad_alloc ();
}

void operator delete (void* p) noexcept
{
	if (p == nullptr)
		return;
	--liveBlocks;
	std::free (p);
}

void operator delete (void* p, std::size_t) noexcept { operator delete (p); }
