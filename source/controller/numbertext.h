#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg {
namespace Vst {

// Reads a number a user typed, with one answer for one text on every
// platform and in every locale. The whole text must be:
// - blanks (spaces and tabs), allowed anywhere between the parts below;
// - a number: an optional sign and decimal digits with an optional '.'
//   (at least one digit) and an optional exponent ("e" or "E", an optional
//   sign, digits), or "inf" or "infinity" with an optional sign;
// - then, optionally, `units` (may be null or empty) in any ASCII letter
//   case, so that "-12 dB" reads as -12 where the units are "dB".
// A number beyond the range of a double reads as the infinity of its sign,
// one too small for it as zero or the nearest tiny value. Anything else (a
// missing text, no number, other text after it, NaN, hexadecimal, a decimal
// comma, units of another kind) gives false and leaves `number` untouched.
bool readNumberText (const TChar* text, const TChar* units, double& number);

// Rewrites a number that the C library printed in fixed-point notation so
// that its decimal point is '.', the one readNumberText reads, whatever
// mark the current locale gave it (a comma, or a mark of several units).
void useDotAsDecimalPoint (TChar* printed);

} // namespace Vst
} // namespace Steinberg
