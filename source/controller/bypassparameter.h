#pragma once

#include "public.sdk/source/vst/vstparameters.h"

namespace Steinberg {
namespace Vst {

// The on/off parameter that switches the effect off. It shows and stores
// values as the SDK's plain parameter does ("On" above 0.5, else "Off"); only
// reading a text differs, so that a host may write back what it was shown.
class BypassParameter : public Parameter
{
public:
	explicit BypassParameter (const ParameterInfo& info);
	~BypassParameter () override;

	// Its own texts "On" and "Off" (in any ASCII letter case, blanks around
	// them allowed) read as 1 and 0; a number, read by readNumberText, is
	// clamped into [0, 1]. A missing text and one that is neither are
	// refused.
	bool fromString (const TChar* string, ParamValue& valueNormalized) const override;
};

} // namespace Vst
} // namespace Steinberg
