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

	// The SDK's reading, except that a text that reads as NaN is refused
	// rather than handed to the host as a normalized value.
	bool fromString (const TChar* string, ParamValue& valueNormalized) const override;
};

} // namespace Vst
} // namespace Steinberg
