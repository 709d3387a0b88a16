#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg {
namespace Vst {

// Writes `plain` in fixed-point notation with `precision` digits after the
// decimal point (none at precision 0) into `text`, through the SDK's
// UString::printFloat. A number whose text would not fit the 128 units of
// `text` leaves the empty text, like any other printing failure.
void printPlainValue (ParamValue plain, int32 precision, String128 text);

} // namespace Vst
} // namespace Steinberg
