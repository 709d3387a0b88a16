#include "controller/aboutplatform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace Steinberg {
namespace Vst {
namespace {

TranslationAnswer scriptedAnswer;
TranslationAnswer answerAsScripted () { return scriptedAnswer; }

struct TranslationCase
{
	const char* name;
	TranslationAnswer answer;
	const char* expected;
};

class MacPlatformText : public testing::TestWithParam<TranslationCase>
{
};

TEST_P (MacPlatformText, FollowsTheAnswerOfTheTranslationQuery)
{
	scriptedAnswer = GetParam ().answer;
	EXPECT_EQ (macPlatformText (&answerAsScripted), GetParam ().expected);
}

INSTANTIATE_TEST_SUITE_P (
    EveryOutcome, MacPlatformText,
    testing::Values (
        // An Intel Mac from before translation existed does not know the name.
        TranslationCase {"NameUnknown", {false, ENOENT, 0}, "x86_64-macOS"},
        TranslationCase {"NotPermitted", {false, EPERM, 0}, "unknown"},
        TranslationCase {"OutOfMemory", {false, ENOMEM, 1}, "unknown"},
        TranslationCase {"Native", {true, 0, 0}, "arm64-macOS"},
        TranslationCase {"Translated", {true, 0, 1}, "arm64-macOS (T)"},
        TranslationCase {"Two", {true, 0, 2}, "x86_64-macOS"},
        TranslationCase {"Seven", {true, 0, 7}, "unknown"},
        TranslationCase {"MinusOne", {true, 0, -1}, "unknown"}),
    [] (const testing::TestParamInfo<TranslationCase>& info) { return std::string (info.param.name); });

TEST (HostPlatformText, NamesTheBuildTarget)
{
#if defined(__linux__) && defined(__x86_64__)
	EXPECT_EQ (hostPlatformText (), "x86_64-Linux");
#elif defined(__linux__) && defined(__aarch64__)
	EXPECT_EQ (hostPlatformText (), "aarch64-Linux");
#elif defined(_WIN32) && defined(_M_X64)
	EXPECT_EQ (hostPlatformText (), "x86_64-Windows");
#else
	EXPECT_FALSE (hostPlatformText ().empty ());
#endif
}

} // namespace
} // namespace Vst
} // namespace Steinberg
