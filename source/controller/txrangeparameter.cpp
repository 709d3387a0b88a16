#include "controller/txrangeparameter.h"

#include "controller/rangeinfo.h"
#include "controller/valuetext.h"

#include <cmath>

namespace Steinberg {
namespace Vst {

TXRangeParameter::TXRangeParameter (const TChar* title, ParamID tag, const TChar* units,
                                    int32 flags, ParamValue minPlain, ParamValue maxPlain,
                                    ParamValue defaultValuePlain)
{
	this->minPlain = minPlain;
	this->maxPlain = maxPlain;
	fillRangeInfo (info, title, tag, units, flags);
	info.defaultNormalizedValue = valueNormalized = toNormalized (defaultValuePlain);
}

TXRangeParameter::~TXRangeParameter () = default;

void TXRangeParameter::toString (ParamValue valueNormalized, String128 string) const
{
	ParamValue plain = toPlain (valueNormalized);
	// A value a hair below zero (a normalized value that went through a
	// host's float) would otherwise print as "-0.00".
	if (std::fabs (plain) < 5e-5)
		plain = 0.0;
	printPlainValue (plain, precision, string);
}

bool TXRangeParameter::fromString (const TChar* string, ParamValue& valueNormalized) const
{
	return readValueText (*this, string, valueNormalized);
}

} // namespace Vst
} // namespace Steinberg
