#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// The conversions the host asks the controller for. The parameter classes'
// own mappings extend beyond the range (the exponential one gives -inf or
// NaN at and below zero); a host must only ever see values the parameter
// can take, so the input is clamped into its range first.

// The plain value of a normalized value clamped into [0, 1]; NaN counts as 0.
ParamValue plainInRange (const Parameter& parameter, ParamValue valueNormalized);

// The normalized value, in [0, 1], of a plain value clamped into the
// parameter's plain range; NaN counts as the range's minimum.
ParamValue normalizedInRange (const Parameter& parameter, ParamValue plainValue);

} // namespace Vst
} // namespace Steinberg
