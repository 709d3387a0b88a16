#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// A parameter on an exponential range: equal steps of the normalized value
// multiply the plain value by equal factors, from minPlain (> 0) at
// normalized 0 to maxPlain at normalized 1.
class TXExpRangeParameter : public RangeParameter
{
public:
	TXExpRangeParameter (const TChar* title, ParamID tag, const TChar* units, int32 flags,
	                     ParamValue minPlain, ParamValue maxPlain, ParamValue defaultValuePlain);
	~TXExpRangeParameter () override;

	void toString (ParamValue valueNormalized, String128 string) const override;

	// The number of a value text, with the parameter's units allowed after
	// it, clamped into the range and mapped by the class (readValueText);
	// a text that is no such number is refused.
	bool fromString (const TChar* string, ParamValue& valueNormalized) const override;

	ParamValue toPlain (ParamValue valueNormalized) const override;
	ParamValue toNormalized (ParamValue plainValue) const override;
};

} // namespace Vst
} // namespace Steinberg
