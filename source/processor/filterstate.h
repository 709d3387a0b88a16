#pragma once

#include <cmath>

namespace Steinberg {
namespace Vst {

// The pole of a first-order bilinear section with its corner at w radians
// per sample.
inline double firstOrderPole (double w)
{
	return (1.0 - std::sin (w)) / std::cos (w);
}

// State of one first-order filter section: its previous input and output.
struct FilterState
{
	double x1 = 0.0;
	double y1 = 0.0;
};

} // namespace Vst
} // namespace Steinberg
