#pragma once

namespace Steinberg {
namespace Vst {

// State of one first-order filter section: its previous input and output.
struct FilterState
{
	double x1 = 0.0;
	double y1 = 0.0;
};

} // namespace Vst
} // namespace Steinberg
