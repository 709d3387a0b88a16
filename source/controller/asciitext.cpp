#include "controller/asciitext.h"

namespace Steinberg {
namespace Vst {

namespace {

TChar foldAsciiCase (TChar unit)
{
	return (unit >= u'A' && unit <= u'Z') ? static_cast<TChar> (unit - u'A' + u'a') : unit;
}

} // namespace

bool isBlank (TChar unit)
{
	return unit == u' ' || unit == u'\t';
}

const TChar* skipBlanks (const TChar* text)
{
	while (isBlank (*text))
		++text;
	return text;
}

const TChar* skipWordIgnoringCase (const TChar* text, std::u16string_view word)
{
	for (const char16_t expected : word)
	{
		// The text's terminator never equals a unit of the word, so a text
		// shorter than the word stops here too.
		if (foldAsciiCase (*text) != foldAsciiCase (expected))
			return nullptr;
		++text;
	}
	return text;
}

bool isOnlyBlanks (const TChar* text)
{
	return *skipBlanks (text) == 0;
}

bool isWordAmongBlanks (const TChar* text, std::u16string_view word)
{
	const TChar* rest = skipWordIgnoringCase (skipBlanks (text), word);
	return rest != nullptr && isOnlyBlanks (rest);
}

} // namespace Vst
} // namespace Steinberg
