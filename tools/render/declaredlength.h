#pragma once

#include <sndfile.h>

#include <cstdint>
#include <optional>

namespace Tarvine::Render {

// The number of frames that the header of an open sound file declares, or
// nothing where the header does not say: a stream written before its
// length was known claims the most its header can hold. `regularFile`
// tells a file, whose length libsndfile knows, from a pipe, whose header it
// takes at its word.
std::optional<uint64_t> declaredFrames (SNDFILE* file, const SF_INFO& info, bool regularFile);

} // namespace Tarvine::Render
