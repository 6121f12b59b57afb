#include "common/StringConv.h"

#include <windows.h>

#include <gtest/gtest.h>

// Both ways through the ANSI code page, the explicit length used (not the first zero).
TEST(StringConv, ConvertsBothWaysKeepingLengthAndEmbeddedZeros) {
    const struct {
        std::string narrow;
        std::wstring wide;
        bool only1252;
    } cases[] = {
        {std::string("2024-03-01T01:30:00Z\0tail", 25), std::wstring(L"2024-03-01T01:30:00Z\0tail", 25), false},
        {"", L"", false},
        // "Café – €5" in code page 1252: é = E9, en dash = 96, euro = 80.
        {"Caf\xE9 \x96 \x80"
         "5",
         L"Caf\u00E9 \u2013 \u20AC5", true},
    };
    for (const auto& c : cases) {
        if (!c.only1252 || GetACP() == 1252) {
            EXPECT_EQ(AnsiToWide(c.narrow), c.wide);
            EXPECT_EQ(WideToAnsi(c.wide), c.narrow);
        }
    }
    EXPECT_TRUE(AnsiToWide(std::string_view()).empty());
    // No default character is passed, so the system's own ("?") stands in; the length is kept.
    if (GetACP() == 1252) {
        EXPECT_EQ(WideToAnsi(L"a\u4E2Db"), "a?b");
    }
}
