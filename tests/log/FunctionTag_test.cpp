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

TEST(FunctionTag, NamesTheFunctionAsMsvcDoesForEveryKind) {
    NvLullgate::TagSample sample;
    GlobalSample global;
    std::string complexReturn;
    ComplexReturn(&complexReturn);
    EXPECT_EQ(NvLullgate::TagSample::Member(), "NvLullgate::TagSample::Member");
    EXPECT_EQ(global.InitWindow(), "GlobalSample::InitWindow");
    EXPECT_EQ(global.constructorTag, "GlobalSample::GlobalSample");
    EXPECT_EQ(DPIAware(), "`anonymous-namespace'::DPIAware");
    EXPECT_EQ(Outer::Nested(), "Outer::`anonymous-namespace'::Nested");
    // Overloads carry no parameter list; a return type with template arguments is dropped.
    EXPECT_EQ(sample.Overloaded(1), "NvLullgate::TagSample::Overloaded");
    EXPECT_EQ(sample.Overloaded(std::string(), 1.0), "NvLullgate::TagSample::Overloaded");
    EXPECT_EQ(complexReturn, "`anonymous-namespace'::ComplexReturn");
    EXPECT_EQ(sample.InlineInHeader(), "NvLullgate::TagSample::InlineInHeader");
    EXPECT_EQ(FreeInlineFunction(), "FreeInlineFunction");
}

#if !defined(_MSC_VER)
// The reduction itself, on signatures as GCC prints them.
static_assert(LogDetail::MakeFunctionTag("bool NvLullgate::PauseWinUpdates::CheckTime(const string&, const string&, "
                                         "const string&)")
                  .view() == "NvLullgate::PauseWinUpdates::CheckTime");
static_assert(LogDetail::MakeFunctionTag("virtual void ConfirmWindow::InitWindow()").view() ==
              "ConfirmWindow::InitWindow");
static_assert(LogDetail::MakeFunctionTag("void {anonymous}::DPIAware()").view() == "`anonymous-namespace'::DPIAware");
static_assert(LogDetail::MakeFunctionTag("static NvLullgate::PauseWinUpdates& "
                                         "NvLullgate::PauseWinUpdates::GetInstance()")
                  .view() == "NvLullgate::PauseWinUpdates::GetInstance");
static_assert(LogDetail::MakeFunctionTag("void Sample::Run(void (*)(int)) const").view() == "Sample::Run");
static_assert(LogDetail::MakeFunctionTag("void Convert(T) [with T = int]").view() == "Convert");
#endif
