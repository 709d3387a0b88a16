#include "controller/valuetext.h"

#include "pluginterfaces/base/ustring.h"

#include <cmath>
#include <cstdio>

namespace Steinberg {
namespace Vst {

void printPlainValue (ParamValue plain, int32 precision, String128 text)
{
	constexpr int32 kCapacity = str16BufferSize (String128);

	// The SDK's printer on Linux writes its terminator at the full length
	// of the text even when the text was cut to the buffer, so a huge value
	// (a host may ask for the text of any normalized value) would write
	// past the end. Measure first and refuse what does not fit.
	const int length = std::snprintf (nullptr, 0, "%.*lf", static_cast<int> (precision), plain);
	if (length < 0 || length >= kCapacity)
	{
		text[0] = 0;
		return;
	}

	UString wrapper (text, kCapacity);
	if (!wrapper.printFloat (plain, precision))
		text[0] = 0;
}

bool readValueText (const RangeParameter& parameter, const TChar* text, ParamValue& valueNormalized)
{
	ParamValue value = 0.0;
	if (!text || !parameter.RangeParameter::fromString (text, value) || std::isnan (value))
		return false;
	valueNormalized = value;
	return true;
}

} // namespace Vst
} // namespace Steinberg
