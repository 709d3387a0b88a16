#include "controller/valuetext.h"

#include "controller/clampedmapping.h"
#include "controller/numbertext.h"

#include "pluginterfaces/base/ustring.h"

#include <cstdio>

namespace Steinberg {
namespace Vst {

namespace {

// The SDK's printer is handed the 128 units of a String128, but each
// platform's printer uses a different part of them:
// - Linux prints 8-bit text into the first 128 bytes, then writes the
//   terminator at the text's full length, past the end for a longer text;
// - macOS zeroes and fills only the first 128 bytes, that is 64 units, and
//   cuts a text of 64 units or more there without a terminator;
// - Windows prints the whole text and its terminator into the 128 units.
// So only a text that fits the smallest of these, with its terminator, is
// printed whole and terminated everywhere.
constexpr int kSmallestPrinterUnits = 64;
constexpr int kLongestPrintableText = kSmallestPrinterUnits - 1;

} // namespace

void printPlainValue (ParamValue plain, int32 precision, String128 text)
{
	if (text == nullptr)
		return;

	// A host may ask for the text of any normalized value, so a huge number
	// is possible: measure first and refuse what the printer would overrun
	// or leave unterminated.
	const int length = std::snprintf (nullptr, 0, "%.*lf", static_cast<int> (precision), plain);
	if (length < 0 || length > kLongestPrintableText)
	{
		text[0] = 0;
		return;
	}

	UString wrapper (text, str16BufferSize (String128));
	if (!wrapper.printFloat (plain, precision))
	{
		text[0] = 0;
		return;
	}
	// The printer uses the decimal point of the host's locale on some
	// platforms; a value is shown alike everywhere, and as it is read back.
	useDotAsDecimalPoint (text);
}

bool readValueText (const Parameter& parameter, const TChar* text, ParamValue& valueNormalized)
{
	ParamValue plain = 0.0;
	if (!readNumberText (text, parameter.getInfo ().units, plain))
		return false;
	valueNormalized = normalizedInRange (parameter, plain);
	return true;
}

} // namespace Vst
} // namespace Steinberg
