#pragma once

#include "pluginterfaces/base/funknown.h"

namespace Steinberg {
namespace Vst {

// The two class identifiers of the module. Hosts store them in projects to
// find the plug-in again, so they never change once released.
static const FUID PlugProcessorUID (0x2C6CA61D, 0x42E94B26, 0xB15948BA, 0x00652BFA);
static const FUID PlugControllerUID (0x18A9676B, 0x464041F4, 0x843B264C, 0x27CADF3F);

} // namespace Vst
} // namespace Steinberg
