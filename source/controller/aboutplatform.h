#pragma once

#include <string>

namespace Steinberg {
namespace Vst {

// What macOS answered when asked whether this process runs translated
// (sysctlbyname "sysctl.proc_translated" into a 32-bit integer).
struct TranslationAnswer
{
	bool succeeded {false};
	int errorNumber {0};	// errno when the call failed
	int value {0};			// the integer read when it succeeded
};

using TranslationQuery = TranslationAnswer (*) ();

// The about box's platform text on macOS, from the answer of the query:
// no such name means an Intel Mac from before the translation layer.
std::string macPlatformText (TranslationQuery query);

// The platform the module runs on, as the about box shows it. On macOS it asks
// the system; elsewhere the build target names the platform.
std::string hostPlatformText ();

} // namespace Vst
} // namespace Steinberg
