#include "controller/bypassparameter.h"

#include "controller/valuetext.h"

#include <algorithm>

namespace Steinberg {
namespace Vst {

namespace {

TChar foldAsciiCase (TChar unit)
{
	return (unit >= u'A' && unit <= u'Z') ? static_cast<TChar> (unit - u'A' + u'a') : unit;
}

bool sameTextIgnoringAsciiCase (const TChar* a, const TChar* b)
{
	for (; *a != 0 && *b != 0; ++a, ++b)
	{
		if (foldAsciiCase (*a) != foldAsciiCase (*b))
			return false;
	}
	return *a == *b;
}

} // namespace

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
		if (sameTextIgnoringAsciiCase (string, shown))
		{
			valueNormalized = value;
			return true;
		}
	}

	ParamValue number = 0.0;
	if (!scanNumber (string, number))
		return false;
	valueNormalized = std::clamp (number, 0.0, 1.0);
	return true;
}

} // namespace Vst
} // namespace Steinberg
