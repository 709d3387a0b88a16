#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <string_view>

namespace Steinberg {
namespace Vst {

// Small helpers for reading text a user typed into a host's field. They look
// only at ASCII units, so that a text reads the same whatever the platform
// or the locale; any other unit is simply one that matches nothing.

// A space or a tab.
bool isBlank (TChar unit);

// `text` past any blanks at its start.
const TChar* skipBlanks (const TChar* text);

// `text` past `word` at its start in any ASCII letter case, or null when
// `text` does not start with it.
const TChar* skipWordIgnoringCase (const TChar* text, std::u16string_view word);

// Whether `text` is nothing but blanks (or empty).
bool isOnlyBlanks (const TChar* text);

// Whether `text` is `word` in any ASCII letter case, with blanks around it
// allowed.
bool isWordAmongBlanks (const TChar* text, std::u16string_view word);

} // namespace Vst
} // namespace Steinberg
