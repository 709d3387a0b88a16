#include "controller/numbertext.h"

#include "controller/asciitext.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace Steinberg {
namespace Vst {

namespace {

// Far beyond any exponent a double can reach (about 10^-324 to 10^308),
// yet small enough that the sums below cannot overflow.
constexpr std::int64_t kExponentLimit = 1'000'000'000;

bool isDigit (TChar unit)
{
	return unit >= u'0' && unit <= u'9';
}

// `text` past an optional sign; `negative` tells which one it was.
const TChar* skipSign (const TChar* text, bool& negative)
{
	negative = *text == u'-';
	return (*text == u'-' || *text == u'+') ? text + 1 : text;
}

// `text` past its leading digits, which are appended to `digits`.
const TChar* takeDigits (const TChar* text, std::string& digits)
{
	for (; isDigit (*text); ++text)
		digits.push_back (static_cast<char> (*text));
	return text;
}

// `text` past an exponent at its start, whose value goes to `exponent`
// (saturated at the limit); an "e" without digits is no exponent, and
// `text` is given back as it is.
const TChar* takeExponent (const TChar* text, std::int64_t& exponent)
{
	if (*text != u'e' && *text != u'E')
		return text;
	bool negative = false;
	const TChar* digit = skipSign (text + 1, negative);
	if (!isDigit (*digit))
		return text;
	std::int64_t value = 0;
	for (; isDigit (*digit); ++digit)
		value = std::min (value * 10 + (*digit - u'0'), kExponentLimit);
	exponent = negative ? -value : value;
	return digit;
}

// `text` past a decimal number at its start, or null when there is none.
// The number is written into `digitsAndExponent` without a decimal point,
// as digits and a power of ten ("12.5e1" as "125e0"): the C library's
// strtod reads the decimal point of the current locale, which the host may
// have set to a comma, but reads digits and an exponent alike in every
// locale.
const TChar* takeDecimal (const TChar* text, bool negative, std::string& digitsAndExponent)
{
	digitsAndExponent = negative ? "-" : "";
	const std::size_t signLength = digitsAndExponent.size ();
	const TChar* rest = takeDigits (text, digitsAndExponent);
	std::int64_t fractionDigits = 0;
	if (*rest == u'.')
	{
		const TChar* fraction = rest + 1;
		rest = takeDigits (fraction, digitsAndExponent);
		fractionDigits = std::min<std::int64_t> (rest - fraction, kExponentLimit);
	}
	if (digitsAndExponent.size () == signLength)
		return nullptr; // no digit on either side of the point
	std::int64_t exponent = 0;
	rest = takeExponent (rest, exponent);
	digitsAndExponent += 'e';
	digitsAndExponent += std::to_string (exponent - fractionDigits);
	return rest;
}

// `text` past "infinity" or "inf" at its start, or null.
const TChar* skipInfinity (const TChar* text)
{
	if (const TChar* rest = skipWordIgnoringCase (text, u"infinity"))
		return rest;
	return skipWordIgnoringCase (text, u"inf");
}

// Whether what follows the number is nothing but blanks, or the units.
bool endsWithUnits (const TChar* rest, const TChar* units)
{
	return isOnlyBlanks (rest) || (units != nullptr && isWordAmongBlanks (rest, units));
}

bool readNumberTextOrThrow (const TChar* text, const TChar* units, double& number)
{
	bool negative = false;
	const TChar* start = skipSign (skipBlanks (text), negative);

	if (const TChar* rest = skipInfinity (start))
	{
		if (!endsWithUnits (rest, units))
			return false;
		const double infinity = std::numeric_limits<double>::infinity ();
		number = negative ? -infinity : infinity;
		return true;
	}

	std::string digitsAndExponent;
	const TChar* rest = takeDecimal (start, negative, digitsAndExponent);
	if (rest == nullptr || !endsWithUnits (rest, units))
		return false;
	// The C library's correctly rounded conversion; beyond a double's range
	// it gives the infinity of the sign, below it zero or the nearest tiny
	// value.
	number = std::strtod (digitsAndExponent.c_str (), nullptr);
	return true;
}

bool isLowerCaseLetter (TChar unit)
{
	return unit >= u'a' && unit <= u'z';
}

} // namespace

bool readNumberText (const TChar* text, const TChar* units, double& number)
{
	if (text == nullptr)
		return false;
	// Nothing may be thrown at the host; without memory for the digits the
	// text is not read.
	try
	{
		return readNumberTextOrThrow (text, units, number);
	}
	catch (...)
	{
		return false;
	}
}

void useDotAsDecimalPoint (TChar* printed)
{
	// A fixed-point number holds nothing but a sign, digits, the letters
	// of "inf" or "nan" and the decimal point, so every run of other units
	// is that point.
	TChar* out = printed;
	bool inPoint = false;
	for (const TChar* in = printed; *in != 0; ++in)
	{
		const bool kept = isDigit (*in) || *in == u'-' || isLowerCaseLetter (*in);
		if (kept || !inPoint)
			*out++ = kept ? *in : u'.';
		inPoint = !kept;
	}
	*out = 0;
}

} // namespace Vst
} // namespace Steinberg
