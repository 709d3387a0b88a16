#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// A parameter on a linear range from minPlain (normalized 0) to maxPlain
// (normalized 1). Its text is the plain value alone, with the parameter's
// precision; the units stand in the parameter information.
class TXRangeParameter : public RangeParameter
{
public:
	TXRangeParameter (const TChar* title, ParamID tag, const TChar* units, int32 flags,
	                  ParamValue minPlain, ParamValue maxPlain, ParamValue defaultValuePlain);
	~TXRangeParameter () override;

	void toString (ParamValue valueNormalized, String128 string) const override;

	// The number of a value text, with the parameter's units allowed after
	// it, clamped into the range and mapped by the class (readValueText);
	// a text that is no such number is refused.
	bool fromString (const TChar* string, ParamValue& valueNormalized) const override;
};

} // namespace Vst
} // namespace Steinberg
