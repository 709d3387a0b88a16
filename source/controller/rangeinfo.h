#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace Steinberg {
namespace Vst {

// Fills the parameter information that both range classes share: title and
// units (each cut to the 127 units a String128 holds), flags and id, no
// steps, the root unit and no short title.
void fillRangeInfo (ParameterInfo& info, const TChar* title, ParamID tag, const TChar* units,
                    int32 flags);

} // namespace Vst
} // namespace Steinberg
