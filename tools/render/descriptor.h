#pragma once

#include <unistd.h>

#include <utility>

namespace Tarvine::Render {

// An open file descriptor, closed when it goes.
class Descriptor
{
public:
	Descriptor () = default;
	explicit Descriptor (int descriptor) : number (descriptor) {}
	~Descriptor () { reset (); }

	Descriptor (Descriptor&& other) noexcept : number (std::exchange (other.number, -1)) {}
	Descriptor& operator= (Descriptor&& other) noexcept
	{
		if (this != &other)
		{
			reset ();
			number = std::exchange (other.number, -1);
		}
		return *this;
	}
	Descriptor (const Descriptor&) = delete;
	Descriptor& operator= (const Descriptor&) = delete;

	int get () const { return number; }
	explicit operator bool () const { return number >= 0; }

	void reset ()
	{
		if (number >= 0)
			::close (number);
		number = -1;
	}

private:
	int number = -1;
};

} // namespace Tarvine::Render
