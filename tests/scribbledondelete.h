#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// A T whose storage, once deleted, is filled with a pattern and kept mapped
// until the test program ends. Any later call into the dead object follows a
// garbage pointer and crashes the test at once, instead of silently reading
// memory that still looks whole.
template <typename T>
class ScribbledOnDelete : public T
{
public:
	using T::T;

	// Kept out of line: GCC otherwise pairs the malloc it sees with this
	// class's delete and warns about a mismatch that is none.
	[[gnu::noinline]] static void* operator new (std::size_t size)
	{
		if (void* p = std::malloc (size))
			return p;
		throw std::bad_alloc ();
	}
	static void operator delete (void* p, std::size_t size)
	{
		std::memset (p, 0xA5, size);
		graveyard ().push_back (p);
	}

private:
	struct Graveyard : std::vector<void*>
	{
		~Graveyard ()
		{
			for (void* p : *this)
				std::free (p);
		}
	};
	static Graveyard& graveyard ()
	{
		static Graveyard dead;
		return dead;
	}
};
