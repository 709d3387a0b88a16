#pragma once

#include "demosignal.h"

#include <string>

namespace Tarvine::Render {

// Reads a sound file as stereo: a mono file goes to both channels, a file
// with more than two channels gives its first two. False with a reason in
// `error` when the file cannot be read.
bool readStereo (const std::string& path, StereoSignal& signal, std::string& error);

// Writes a stereo 32-bit float WAV file.
bool writeStereo (const std::string& path, const StereoSignal& signal, std::string& error);

} // namespace Tarvine::Render
