#pragma once

#include <sndfile.h>

#include <memory>

namespace Tarvine::Render {

struct CloseSoundFile
{
	void operator() (SNDFILE* file) const { sf_close (file); }
};

// An open libsndfile file, closed when it goes.
using SoundFileHandle = std::unique_ptr<SNDFILE, CloseSoundFile>;

} // namespace Tarvine::Render
