#include "controller/txexprangeparameter.h"

#include "controller/rangeinfo.h"
#include "controller/valuetext.h"

#include <cmath>

namespace Steinberg {
namespace Vst {

TXExpRangeParameter::TXExpRangeParameter (const TChar* title, ParamID tag, const TChar* units,
                                          int32 flags, ParamValue minPlain, ParamValue maxPlain,
                                          ParamValue defaultValuePlain)
{
	this->minPlain = minPlain;
	this->maxPlain = maxPlain;
	fillRangeInfo (info, title, tag, units, flags);
	// Called here, in this class's constructor, so that the default is the
	// exponential one and not the linear mapping of the base.
	info.defaultNormalizedValue = valueNormalized = toNormalized (defaultValuePlain);
}

TXExpRangeParameter::~TXExpRangeParameter () = default;

void TXExpRangeParameter::toString (ParamValue valueNormalized, String128 string) const
{
	printPlainValue (toPlain (valueNormalized), precision, string);
}

bool TXExpRangeParameter::fromString (const TChar* string, ParamValue& valueNormalized) const
{
	return readValueText (*this, string, valueNormalized);
}

ParamValue TXExpRangeParameter::toPlain (ParamValue valueNormalized) const
{
	const ParamValue ratio = getMax () / getMin ();
	return std::exp (std::log (ratio) * valueNormalized) * getMin ();
}

ParamValue TXExpRangeParameter::toNormalized (ParamValue plainValue) const
{
	return std::log (plainValue / getMin ()) / std::log (getMax () / getMin ());
}

} // namespace Vst
} // namespace Steinberg
