#include "editorwindow/windowcapture.h"

#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <unordered_set>

namespace Tarvine {
namespace EditorWindow {

namespace {

// Spreads a pixel's colour channel, wherever its mask puts it, to 8 bits.
uint32_t channel (unsigned long pixel, unsigned long mask)
{
	if (mask == 0)
		return 0;
	int shift = 0;
	while (((mask >> shift) & 1) == 0)
		++shift;
	const unsigned long max = mask >> shift;
	return static_cast<uint32_t> (((pixel & mask) >> shift) * 255 / max);
}

} // namespace

Capture captureWindow (Display* display, Window window)
{
	Capture capture;
	XWindowAttributes attributes {};
	if (!XGetWindowAttributes (display, window, &attributes))
		return capture;
	XImage* image = XGetImage (display, window, 0, 0, static_cast<unsigned> (attributes.width),
	                           static_cast<unsigned> (attributes.height), AllPlanes, ZPixmap);
	if (image == nullptr)
		return capture;
	capture.width = attributes.width;
	capture.height = attributes.height;
	capture.pixels.reserve (static_cast<size_t> (capture.width) * static_cast<size_t> (capture.height));
	for (int y = 0; y < capture.height; ++y)
	{
		for (int x = 0; x < capture.width; ++x)
		{
			const unsigned long p = XGetPixel (image, x, y);
			capture.pixels.push_back ((channel (p, image->red_mask) << 16) |
			                          (channel (p, image->green_mask) << 8) |
			                          channel (p, image->blue_mask));
		}
	}
	XDestroyImage (image);
	return capture;
}

size_t Capture::distinctColours () const
{
	return std::unordered_set<uint32_t> (pixels.begin (), pixels.end ()).size ();
}

double Capture::shareOf (uint32_t colour) const
{
	if (pixels.empty ())
		return 0.0;
	const auto count = std::count (pixels.begin (), pixels.end (), colour);
	return static_cast<double> (count) / static_cast<double> (pixels.size ());
}

double Capture::differenceIn (const Capture& other, int x, int y, int w, int h) const
{
	if (other.width != width || other.height != height)
		return 1.0;
	const int x0 = std::max (0, x), y0 = std::max (0, y);
	const int x1 = std::min (width, x + w), y1 = std::min (height, y + h);
	size_t differing = 0, total = 0;
	for (int row = y0; row < y1; ++row)
	{
		for (int col = x0; col < x1; ++col)
		{
			const size_t i = static_cast<size_t> (row) * static_cast<size_t> (width) + static_cast<size_t> (col);
			differing += pixels[i] != other.pixels[i];
			++total;
		}
	}
	return total ? static_cast<double> (differing) / static_cast<double> (total) : 0.0;
}

bool Capture::writePng (const std::string& path) const
{
	if (width <= 0 || height <= 0)
		return false;
	cairo_surface_t* surface = cairo_image_surface_create (CAIRO_FORMAT_RGB24, width, height);
	cairo_surface_flush (surface);
	unsigned char* data = cairo_image_surface_get_data (surface);
	const int stride = cairo_image_surface_get_stride (surface);
	for (int y = 0; y < height; ++y)
	{
		auto row = reinterpret_cast<uint32_t*> (data + static_cast<ptrdiff_t> (y) * stride);
		std::copy_n (pixels.begin () + static_cast<ptrdiff_t> (y) * width, width, row);
	}
	cairo_surface_mark_dirty (surface);
	const bool written = cairo_surface_write_to_png (surface, path.c_str ()) == CAIRO_STATUS_SUCCESS;
	cairo_surface_destroy (surface);
	return written;
}

} // namespace EditorWindow
} // namespace Tarvine
