#include "controller/clampedmapping.h"

#include <algorithm>
#include <cmath>

namespace Steinberg {
namespace Vst {

namespace {

// `value` clamped into [low, high], NaN as low.
ParamValue clampOrLow (ParamValue value, ParamValue low, ParamValue high)
{
	return std::isnan (value) ? low : std::clamp (value, low, high);
}

struct PlainRange
{
	ParamValue min;
	ParamValue max;
};

// A range parameter knows its plain ends; for the plain SDK parameter the
// plain value is the normalized one.
PlainRange plainRangeOf (const Parameter& parameter)
{
	if (auto range = dynamic_cast<const RangeParameter*> (&parameter))
		return {range->getMin (), range->getMax ()};
	return {0.0, 1.0};
}

} // namespace

ParamValue plainInRange (const Parameter& parameter, ParamValue valueNormalized)
{
	return parameter.toPlain (clampOrLow (valueNormalized, 0.0, 1.0));
}

ParamValue normalizedInRange (const Parameter& parameter, ParamValue plainValue)
{
	const PlainRange range = plainRangeOf (parameter);
	const ParamValue normalized = parameter.toNormalized (clampOrLow (plainValue, range.min, range.max));
	// Inside the range the mappings stay inside [0, 1]; this only makes sure
	// that rounding can never hand the host anything else.
	return clampOrLow (normalized, 0.0, 1.0);
}

} // namespace Vst
} // namespace Steinberg
