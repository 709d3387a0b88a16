#pragma once

#include <cstddef>

// While armed, the program's plain operator new fails (throws bad_alloc) on
// the nth allocation from now, once; every other allocation succeeds.
// Linking failingallocation.cpp replaces the global operator new.
class FailingAllocation
{
public:
	explicit FailingAllocation (std::size_t nth);
	~FailingAllocation ();

	FailingAllocation (const FailingAllocation&) = delete;
	FailingAllocation& operator= (const FailingAllocation&) = delete;

	// Whether the armed failure has been thrown.
	bool happened () const;

	// How many blocks the replaced operator new has handed out, armed or
	// not, that have not been deleted yet.
	static std::size_t blocksInUse ();
};
