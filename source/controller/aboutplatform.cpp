#include "controller/aboutplatform.h"

#include <cerrno>

#if defined(__APPLE__)
#include <sys/sysctl.h>
#include <sys/types.h>
#endif

namespace Steinberg {
namespace Vst {

std::string macPlatformText (TranslationQuery query)
{
	const TranslationAnswer answer = query ();
	if (!answer.succeeded)
		return answer.errorNumber == ENOENT ? "x86_64-macOS" : "unknown";
	switch (answer.value)
	{
		case 0: return "arm64-macOS";
		case 1: return "arm64-macOS (T)";
		case 2: return "x86_64-macOS";
		default: return "unknown";
	}
}

#if defined(__APPLE__)
static TranslationAnswer askMacOSForTranslation ()
{
	TranslationAnswer answer;
	int value = 0;
	size_t size = sizeof (value);
	if (sysctlbyname ("sysctl.proc_translated", &value, &size, nullptr, 0) == -1)
	{
		answer.errorNumber = errno;
		return answer;
	}
	answer.succeeded = true;
	answer.value = value;
	return answer;
}
#endif

#if !defined(__APPLE__)
// The processor architecture this module was compiled for.
static std::string targetArchitecture ()
{
#if defined(__x86_64__) || defined(_M_X64)
	return "x86_64";
#elif defined(__aarch64__) || defined(_M_ARM64)
	return "aarch64";
#elif defined(__i386__) || defined(_M_IX86)
	return "x86";
#else
	return "unknown";
#endif
}
#endif

std::string hostPlatformText ()
{
#if defined(__APPLE__)
	return macPlatformText (&askMacOSForTranslation);
#elif defined(_WIN32)
	return targetArchitecture () + "-Windows";
#elif defined(__linux__)
	return targetArchitecture () + "-Linux";
#else
	return targetArchitecture () + "-unknown";
#endif
}

} // namespace Vst
} // namespace Steinberg
