#include "failingallocation.h"

#include <cstdlib>
#include <new>

namespace {

// Plain counters: the tests that arm a failure run on one thread.
std::size_t allocationsUntilFailure = 0;
bool failed = false;

} // namespace

FailingAllocation::FailingAllocation (std::size_t nth)
{
	allocationsUntilFailure = nth;
	failed = false;
}

FailingAllocation::~FailingAllocation () { allocationsUntilFailure = 0; }

bool FailingAllocation::happened () const { return failed; }

void* operator new (std::size_t size)
{
	if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0)
	{
		failed = true;
		throw std::bad_alloc ();
	}
	if (void* p = std::malloc (size ? size : 1))
		return p;
	throw std::bad_alloc ();
}

void operator delete (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
