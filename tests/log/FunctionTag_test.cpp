#include "tests/log/TagSamples.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace NvLullgate {
std::string TagSample::Member() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
std::string TagSample::Overloaded(int) {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
std::string TagSample::Overloaded(const std::string&, double) const {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
} // namespace NvLullgate

std::string GlobalSample::InitWindow() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}

GlobalSample::GlobalSample() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    constructorTag = tag.c_str();
}

namespace {
std::string DPIAware() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
// A return type with blanks and commas inside template brackets must not be mistaken for the name.
std::map<int, std::vector<int>> ComplexReturn(std::string* tagOut) {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    *tagOut = tag.c_str();
    return {};
}
} // namespace

namespace Outer {
namespace {
std::string Nested() {
    LULLGATE_DECLARE_FUNCTION_TAG(tag);
    return tag.c_str();
}
} // namespace
} // namespace Outer

TEST(FunctionTag, NamespaceClassMember) {
    EXPECT_EQ(NvLullgate::TagSample::Member(), "NvLullgate::TagSample::Member");
}

TEST(FunctionTag, GlobalClassMemberAndConstructor) {
    GlobalSample sample;
    EXPECT_EQ(sample.InitWindow(), "GlobalSample::InitWindow");
    EXPECT_EQ(sample.constructorTag, "GlobalSample::GlobalSample");
}

TEST(FunctionTag, UnnamedNamespaceIsSpelledAsMsvcDoes) {
    EXPECT_EQ(DPIAware(), "`anonymous-namespace'::DPIAware");
    EXPECT_EQ(Outer::Nested(), "Outer::`anonymous-namespace'::Nested");
}

TEST(FunctionTag, OverloadsCarryNoParameterList) {
    NvLullgate::TagSample sample;
    EXPECT_EQ(sample.Overloaded(1), "NvLullgate::TagSample::Overloaded");
    EXPECT_EQ(sample.Overloaded(std::string(), 1.0), "NvLullgate::TagSample::Overloaded");
}

TEST(FunctionTag, InlineHeaderFunctions) {
    NvLullgate::TagSample sample;
    EXPECT_EQ(sample.InlineInHeader(), "NvLullgate::TagSample::InlineInHeader");
    EXPECT_EQ(FreeInlineFunction(), "FreeInlineFunction");
}

TEST(FunctionTag, ReturnTypeWithTemplateArgumentsIsDropped) {
    std::string tag;
    ComplexReturn(&tag);
    EXPECT_EQ(tag, "`anonymous-namespace'::ComplexReturn");
}

#if !defined(_MSC_VER)
// The reduction itself, on signatures as GCC prints them.
TEST(FunctionTag, ReducesGccSignatures) {
    constexpr auto a = LogDetail::MakeFunctionTag("bool NvLullgate::PauseWinUpdates::CheckTime(const string&, "
                                                  "const string&, const string&)");
    static_assert(a.view() == "NvLullgate::PauseWinUpdates::CheckTime");
    constexpr auto b = LogDetail::MakeFunctionTag("virtual void ConfirmWindow::InitWindow()");
    static_assert(b.view() == "ConfirmWindow::InitWindow");
    constexpr auto c = LogDetail::MakeFunctionTag("void {anonymous}::DPIAware()");
    static_assert(c.view() == "`anonymous-namespace'::DPIAware");
    constexpr auto d = LogDetail::MakeFunctionTag("static NvLullgate::PauseWinUpdates& "
                                                  "NvLullgate::PauseWinUpdates::GetInstance()");
    static_assert(d.view() == "NvLullgate::PauseWinUpdates::GetInstance");
    constexpr auto e = LogDetail::MakeFunctionTag("void Sample::Run(void (*)(int)) const");
    static_assert(e.view() == "Sample::Run");
    constexpr auto f = LogDetail::MakeFunctionTag("void Convert(T) [with T = int]");
    static_assert(f.view() == "Convert");
    SUCCEED();
}
#endif
