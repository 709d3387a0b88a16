#include "controller/bypassparameter.h"

#include "controller/asciitext.h"
#include "controller/valuetext.h"

namespace Steinberg {
namespace Vst {

BypassParameter::BypassParameter (const ParameterInfo& info) : Parameter (info) {}

BypassParameter::~BypassParameter () = default;

bool BypassParameter::fromString (const TChar* string, ParamValue& valueNormalized) const
{
	if (string == nullptr)
		return false;

	// The texts come from toString itself, so reading can never drift from
	// what the host was shown.
	for (const ParamValue value : {1.0, 0.0})
	{
		String128 shown {};
		toString (value, shown);
		if (isWordAmongBlanks (string, shown))
		{
			valueNormalized = value;
			return true;
		}
	}
	return readValueText (*this, string, valueNormalized);
}

} // namespace Vst
} // namespace Steinberg
