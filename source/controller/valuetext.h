#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// Writes `plain` in fixed-point notation with `precision` digits after the
// decimal point (none at precision 0) into `text`, through the SDK's
// UString::printFloat. A number whose text would not fit what that printer
// terminates safely on every platform leaves the empty text, like any other
// printing failure. A missing `text` is left alone.
void printPlainValue (ParamValue plain, int32 precision, String128 text);

// Reads a number from a value text with the SDK's UString::scanFloat. A
// missing text, one that is no number, one that reads as NaN and one that
// the SDK cannot convert give false.
bool scanNumber (const TChar* text, ParamValue& number);

// The SDK's reading of a value text for `parameter` (clamped into its range,
// then mapped with the parameter's own toNormalized), except that a missing
// text, one the SDK cannot convert, or one that reads as NaN is refused
// rather than handed to the host as a normalized value.
bool readValueText (const RangeParameter& parameter, const TChar* text, ParamValue& valueNormalized);

} // namespace Vst
} // namespace Steinberg
