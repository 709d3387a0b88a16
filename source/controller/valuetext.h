#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// Writes `plain` in fixed-point notation with `precision` digits after the
// decimal point (none at precision 0) into `text`, through the SDK's
// UString::printFloat. A number whose text would not fit what that printer
// terminates safely on every platform leaves the empty text, like any other
// printing failure. The decimal point is '.' in every locale. A missing
// `text` is left alone.
void printPlainValue (ParamValue plain, int32 precision, String128 text);

// Reads a value text for `parameter` as readNumberText does, with the
// parameter's own units allowed after the number; the plain value is
// clamped into the parameter's range and mapped with its own toNormalized.
// A missing text and one that is no number of that kind are refused.
bool readValueText (const Parameter& parameter, const TChar* text, ParamValue& valueNormalized);

} // namespace Vst
} // namespace Steinberg
