#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarvine {
namespace EditorWindow {

// What an X window shows, as 0xRRGGBB pixels row by row, children included.
struct Capture
{
	int width {0};
	int height {0};
	std::vector<uint32_t> pixels;

	size_t distinctColours () const;
	// The share of all pixels that have this colour.
	double shareOf (uint32_t colour) const;
	// The share of pixels in the rectangle that differ from another capture.
	double differenceIn (const Capture& other, int x, int y, int w, int h) const;
	bool writePng (const std::string& path) const;
};

Capture captureWindow (Display* display, Window window);

} // namespace EditorWindow
} // namespace Tarvine
