#include "tests/log/TagSamples.h"

#include <gtest/gtest.h>

namespace NvLullgate {
std::string TagSample::ConstMember(const std::string&, double) const {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
} // namespace NvLullgate

GlobalSample::GlobalSample() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    constructorTag = tag.c_str();
}

// Static members, virtual members, parameter lists, return types with template arguments
// (PauseRules::DaysLeft) and functions in anonymous namespaces (also inside a named one) are named
// in the exact log lines of the program's own tests; here, the kinds those lack.
TEST(FunctionTag, NamesTheFunctionAsMsvcDoesForEveryKind) {
    NvLullgate::TagSample sample;
    GlobalSample global;
    EXPECT_EQ(global.constructorTag, "GlobalSample::GlobalSample");
    EXPECT_EQ(sample.ConstMember(std::string(), 1.0), "NvLullgate::TagSample::ConstMember"); // no "const"
    EXPECT_EQ(sample.InlineInHeader(), "NvLullgate::TagSample::InlineInHeader");
    EXPECT_EQ(FreeInlineFunction(), "FreeInlineFunction");
}

#if !defined(_MSC_VER)
// The reduction itself, on signatures as GCC prints them (return types, parameter lists with
// commas, "static" and "virtual" are in the tags of the program's own log lines).
static_assert(LogDetail::MakeFunctionTag("void Sample::Run(void (*)(int)) const").view() == "Sample::Run");
static_assert(LogDetail::MakeFunctionTag("void Convert(T) [with T = int]").view() == "Convert");
#endif
