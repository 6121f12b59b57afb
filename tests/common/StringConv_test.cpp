#include "common/StringConv.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(StringConv, RoundTripKeepsAsciiAndEmbeddedZeros) {
    const std::string narrow("2024-03-01T01:30:00Z\0tail", 25);
    const std::wstring wide = AnsiToWide(narrow);
    ASSERT_EQ(wide.size(), narrow.size()) << "the explicit length must be used, not the first zero";
    EXPECT_EQ(wide, std::wstring(L"2024-03-01T01:30:00Z\0tail", 25));
    EXPECT_EQ(WideToAnsi(wide), narrow);
}

TEST(StringConv, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(AnsiToWide("").empty());
    EXPECT_TRUE(WideToAnsi(L"").empty());
    EXPECT_TRUE(AnsiToWide(std::string_view()).empty());
}

TEST(StringConv, CodePage1252Text) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "ANSI code page is " << GetACP();
    }
    // "Café – €5" in code page 1252: é = E9, en dash = 96, euro = 80.
    const std::string narrow = "Caf\xE9 \x96 \x80"
                               "5";
    const std::wstring wide = AnsiToWide(narrow);
    EXPECT_EQ(wide, L"Caf\u00E9 \u2013 \u20AC5");
    EXPECT_EQ(WideToAnsi(wide), narrow);
}

TEST(StringConv, UnmappableWideCharactersAreReplacedNotDropped) {
    if (GetACP() != 1252) {
        GTEST_SKIP() << "ANSI code page is " << GetACP();
    }
    // No default character is passed, so the system's own ("?") stands in; the length is kept.
    const std::string narrow = WideToAnsi(L"a\u4E2Db");
    EXPECT_EQ(narrow, "a?b");
}
